#pragma once

#include "Form.h"
#include "TrayIcon.h"

#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class PictureBox;
class Timer;

// The start-up window: owns the tray icon, holds the tool buttons and menus.
class frmMain : public Form {
    Q_OBJECT
public:
    frmMain();

    std::array<QGroupBox*, 4> cmdGrp{};
    std::array<QPushButton*, 5> cmdTool{};
    std::array<QLabel*, 4> Title{};
    std::array<QLabel*, 4> Label{};
    QLabel* Picture1 = nullptr;
    PictureBox* picNotifier = nullptr;
    Timer* Timer1 = nullptr;
    short DemoStep = 0;  // the step the tour's next tick performs

    QMenu* menuTool = nullptr;
    QAction* menuZoom = nullptr;
    QAction* menuPass = nullptr;
    QAction* menuNavi = nullptr;
    QAction* menuClose = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* menuDemo = nullptr;
    QAction* menuHelpHelp = nullptr;
    QAction* menuAbout = nullptr;
    QMenu* mnuPopMenu = nullptr;
    QAction* mnuPopMenuShow = nullptr;
    QAction* mnuPopMenuExit = nullptr;

    // Whether the tray icon could be added; without a tray the window minimises
    // where it would otherwise hide into the tray.
    bool HasTrayIcon() const { return trayIconAdded_; }

    void picNotifier_MouseMove(int button, int shift, float x, float y);
    void cmdTool_Click(int index);
    void menuZoom_Click();
    void menuPass_Click();
    void menuNavi_Click();
    void menuHelpHelp_Click();
    void menuAbout_Click();
    void menuDemo_Click();
    void Timer1_Timer();
    void menuClose_Click();
    void mnuPopMenuShow_Click();
    void mnuPopMenuExit_Click();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Resize() override;
    void Form_Unload() override;

private:
    template <class Tool> void ShowTool();
    template <class Tool> void UnloadIfHidden();
    void buildGroups();
    void buildMenus();
    void HideIntoTray();

    NotifyIconData TrayIcon;
    bool trayIconAdded_ = false;
};

#include "frmMain.h"

#include "Art.h"
#include "Controls.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "MessageBox.h"
#include "SpotZoom.h"
#include "Timer.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <cstdio>

namespace {

struct GroupLayout {
    double left, top;
    const char* icon;
    const char* title;
    const char* description;
    double descriptionLeft, descriptionWidth;
};

// The tool groups as laid out on the window: zoom, password, navigation, and a
// fourth one that is never shown.
const GroupLayout groups[4] = {
    {120, 0, "zoom", "ズーム", "マウスが置かれた小領域を拡大します", 1200, 1935},
    {120, 1200, "key", "パスワード", "マウス操作だけでパスワード入力を可能にします ", 1440, 1575},
    {120, 2400, "note", "ナビゲート", "各アプリケーション別にコメント表示します", 1200, 1935},
    {3600, 2040, "shortcut", "Shortcut", "Label3", 1200, 1935},
};

QPushButton* makeToolButton(QWidget* parent, const char* icon) {
    auto* button = new QPushButton(parent);
    button->setIcon(art::Icon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(40, 40));
    return button;
}

}  // namespace

frmMain::frmMain() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    SetCaption(QStringLiteral("Pelmora - Utility for Windows "));
    setWindowIcon(art::ProgramIcon());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(palette);
    setAutoFillBackground(true);

    buildMenus();
    buildGroups();

    cmdTool[4] = makeToolButton(Client(), "tray");
    cmdTool[4]->setToolTip(QStringLiteral("Stores to taskicon"));
    Place(cmdTool[4], 5880, 2640, 855, 855);
    for (int i = 0; i < 5; ++i) connect(cmdTool[i], &QPushButton::clicked, this, [this, i] { cmdTool_Click(i); });

    Picture1 = new QLabel(Client());
    Place(Picture1, 3600, 120, 3210, 2280);
    Picture1->setPixmap(art::Picture(QStringLiteral("illustration"), Picture1->size()));

    picNotifier = new PictureBox(Client());
    Place(picNotifier, 4800, 3960, 855, 495);
    connect(picNotifier, &PictureBox::MouseMove, this, &frmMain::picNotifier_MouseMove);

    Timer1 = new Timer(this, 5000, false, [this] { Timer1_Timer(); });
    SetClientSize(6900, 3660);
}

void frmMain::buildGroups() {
    for (int i = 0; i < 4; ++i) {
        const GroupLayout& g = groups[i];
        cmdGrp[i] = new QGroupBox(Client());
        Place(cmdGrp[i], g.left, g.top, 3375, 1215);
        cmdTool[i] = makeToolButton(cmdGrp[i], g.icon);
        Place(cmdTool[i], 120, 240, 855, 855);
        Title[i] = new QLabel(QString::fromUtf8(g.title), cmdGrp[i]);
        Place(Title[i], 1200, 240, 1935, 375);
        Label[i] = new QLabel(QString::fromUtf8(g.description), cmdGrp[i]);
        Label[i]->setWordWrap(true);
        Label[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Place(Label[i], g.descriptionLeft, 600, g.descriptionWidth, 495);
        if (i < 3) {
            Title[i]->setFont(GothicFont(12, true));
            Label[i]->setFont(GothicFont(8.25, true));
            GrowToFit(Label[i]);
        }
    }
    cmdGrp[3]->setVisible(false);
}

void frmMain::buildMenus() {
    auto* bar = new QMenuBar(this);
    menuTool = bar->addMenu(QStringLiteral("&Tools"));
    menuZoom = menuTool->addAction(QStringLiteral("&Zoom"), this, &frmMain::menuZoom_Click);
    menuPass = menuTool->addAction(QStringLiteral("&Password"), this, &frmMain::menuPass_Click);
    menuNavi = menuTool->addAction(QStringLiteral("&Navigation"), this, &frmMain::menuNavi_Click);
    menuTool->addSeparator();
    menuClose = menuTool->addAction(QStringLiteral("&Close"), this, &frmMain::menuClose_Click);
    menuHelp = bar->addMenu(QStringLiteral("&Help"));
    menuDemo = menuHelp->addAction(QStringLiteral("&Demo"), this, &frmMain::menuDemo_Click);
    menuHelpHelp = menuHelp->addAction(QStringLiteral("&Help"), this, &frmMain::menuHelpHelp_Click);
    menuHelp->addSeparator();
    menuAbout = menuHelp->addAction(QStringLiteral("&About Pelmora"), this, &frmMain::menuAbout_Click);
    SetMenuBar(bar);

    mnuPopMenu = new QMenu(QStringLiteral("Menu"), this);
    mnuPopMenuShow = mnuPopMenu->addAction(QStringLiteral("&Show"), this, &frmMain::mnuPopMenuShow_Click);
    mnuPopMenu->addSeparator();
    mnuPopMenuExit = mnuPopMenu->addAction(QStringLiteral("E&xit"), this, &frmMain::mnuPopMenuExit_Click);
}

void frmMain::Form_Load() {
    TrayIcon.cbSize = 88;
    TrayIcon.hWnd = picNotifier;
    TrayIcon.uID = 1;
    TrayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIcon.uCallbackMessage = WM_MOUSEMOVE;
    TrayIcon.hIcon = windowIcon();
    TrayIcon.szTip = QStringLiteral("Pelmora") + QChar(u'\0');
    TrayIcon.szTip = TrayIcon.szTip.leftJustified(64, QChar(' '));
    TrayIcon.hMenu = mnuPopMenu;
    trayIconAdded_ = Shell_NotifyIcon(NIM_ADD, TrayIcon);
    if (!trayIconAdded_)
        std::fprintf(stderr, "pelmora: no system tray is available; the main window stays on the screen and "
                             "minimises instead of hiding into the tray.\n");
}

void frmMain::Form_QueryUnload(int& cancel, int unloadMode) {
    (void)cancel;
    (void)unloadMode;
    TrayIcon.cbSize = 88;
    TrayIcon.hWnd = picNotifier;
    TrayIcon.uID = 1;
    Shell_NotifyIcon(NIM_DELETE, TrayIcon);
}

void frmMain::Form_Resize() {
    if (WindowState() == vbMinimized && trayIconAdded_) Hide();
}

void frmMain::HideIntoTray() {
    if (trayIconAdded_)
        Hide();
    else
        SetWindowState(vbMinimized);
}

void frmMain::picNotifier_MouseMove(int button, int shift, float x, float y) {
    (void)button;
    (void)shift;
    (void)y;
    static long TrayMsg = 0;
    static bool InTrayEvent = false;
    TrayMsg = twips::RoundHalfEven(x / twips::PerPixelX());
    if (InTrayEvent) return;
    InTrayEvent = true;
    if (TrayMsg == WM_LBUTTONDBLCLK) {
        Show();
        SetWindowState(vbNormal);
    } else if (TrayMsg == WM_RBUTTONUP) {
        PopupMenu(mnuPopMenu);
    }
    InTrayEvent = false;
}

void frmMain::cmdTool_Click(int index) {
    switch (index) {
    case 0:
        MsgBox(QStringLiteral("ズームを終了するには、カーソルを") + QChar(13) + QStringLiteral("スクリーンの左端に移動下さい"));
        if (IsUnloaded()) return;  // the user left the program meanwhile
        ShowTool<SpotZoom>();
        break;
    case 1: ShowTool<LumPass>(); break;
    case 2: ShowTool<LumNavi>(); break;
    case 4: HideIntoTray(); break;
    default: break;
    }
}

template <class Tool>
void frmMain::ShowTool() {
    Forms::Show<Tool>();
    if (!IsUnloaded()) HideIntoTray();
}

void frmMain::menuZoom_Click() { ShowTool<SpotZoom>(); }
void frmMain::menuPass_Click() { ShowTool<LumPass>(); }
void frmMain::menuNavi_Click() { ShowTool<LumNavi>(); }
void frmMain::menuHelpHelp_Click() { Forms::Show<frmHelp>(); }
void frmMain::menuAbout_Click() { Forms::Show<frmAbout>(); }

void frmMain::menuDemo_Click() {
    DemoStep = 1;
    Timer1->SetEnabled(true);
    LumNavi& navi = Forms::Show<LumNavi>();
    if (navi.IsUnloaded()) return;
    navi.ViewFrameFind();
    navi.tmrFind->SetEnabled(false);  // the tour's texts stay until the tour ends, whatever is in front
    navi.RemoveCheck->setVisible(false);
    navi.lblCmnt->setText(QStringLiteral("This is Demo how to use Pelmora."));
}

void frmMain::Timer1_Timer() {
    // Loading a window may pause in a message box; each step stops if the tour was
    // ended meanwhile.
    auto comment = [](const QString& text) { Forms::Get<LumNavi>().lblCmnt->setText(text); };
    switch (DemoStep) {
    case 1:
        comment(QStringLiteral("This Comment Window is Demo for Navigation."));
        DemoStep = 2;
        break;
    case 2:
        Forms::Show<SpotZoom>();
        if (IsUnloaded()) return;
        comment(QStringLiteral("This is Demo for Zoom"));
        DemoStep = 3;
        break;
    case 3:
        Forms::Unload<SpotZoom>();
        Forms::Show<LumPass>();
        if (IsUnloaded()) return;
        comment(QStringLiteral("This is Demo for Password"));
        DemoStep = 4;
        break;
    case 4: {
        Forms::Unload<LumPass>();
        LumNavi& navi = Forms::Get<LumNavi>();
        navi.RemoveCheck->setVisible(true);
        navi.lblCmnt->setText(QString());
        Forms::Unload<LumNavi>();
        Timer1->SetEnabled(false);
        break;
    }
    default: break;
    }
}

void frmMain::Form_Unload() {
    // A tour cut short must not leave windows that it loaded but nobody sees: with the
    // main window gone there would be no way to reach them, and the program would never end.
    if (!Timer1->Enabled()) return;
    UnloadIfHidden<SpotZoom>();
    UnloadIfHidden<LumPass>();
    UnloadIfHidden<LumNavi>();
}

template <class Tool>
void frmMain::UnloadIfHidden() {
    if (Forms::IsLoaded<Tool>() && Forms::Get<Tool>().isHidden()) Forms::Unload<Tool>();
}

void frmMain::menuClose_Click() { HideIntoTray(); }

void frmMain::mnuPopMenuShow_Click() {
    SetWindowState(vbNormal);
    Show();
}

void frmMain::mnuPopMenuExit_Click() { Forms::Unload(this); }

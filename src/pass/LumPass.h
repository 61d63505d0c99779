#pragma once

#include "FileDialog.h"
#include "Form.h"
#include "PassFile.h"

#include <QColor>
#include <QString>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The password notebook: a column of eight entry buttons for one of three groups,
// paging, and the setup frame to the right that edits one entry at a time.
// A click on an entry minimises the window and types the entry's login name and
// password into the application that becomes active.
class LumPass : public Form {
    Q_OBJECT
public:
    LumPass();

    // Light cyan (&HFFFF80 is blue-green-red) marks the entry shown in the setup frame.
    static QColor HighlightColor() { return QColor(0x80, 0xFF, 0xFF); }
    // Caption of an entry button: leading blanks dropped, exactly 12 characters,
    // a literal "&" shown as such; "(None)" for an unused entry.
    static QString EntryCaption(const QString& appName);

    std::array<QPushButton*, 8> cmdNavi{};
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdSetup = nullptr;
    QGroupBox* frmSetup = nullptr;
    std::array<QLabel*, 5> Label{};  // Label1 .. Label5
    QLineEdit* AppName = nullptr;
    QLineEdit* LogInName = nullptr;
    QComboBox* CombLog = nullptr;
    QLineEdit* Password = nullptr;
    QWidget* Frame2 = nullptr;
    QComboBox* CombPass = nullptr;
    QPushButton* cmdSetPrev = nullptr;
    QPushButton* cmdSetNext = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    CommonDialog CommonDialog1;

    int CurGroup = 0;
    int CurEntry = 1;
    PassFile Pass;

    void cmdNavi_Click(int index);
    void cmdPrev_Click();
    void cmdNext_Click();
    void cmdSetup_Click();
    void cmdSetPrev_Click();
    void cmdSetNext_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    void FieldToData();

    // Whether an entry is being typed (its pauses let other clicks run).
    bool IsTyping() const { return typing_; }

protected:
    void Form_Load() override;

private:
    bool HandBackKeyboard(unsigned long application);
    void ViewGroup();
    void ViewEntry();
    void SavePass();
    void TrimFields() { Pass.TrimFields(); }
    void NarrowAfterSetup();
    bool FrameVisible() const;

    bool typing_ = false;
};

#pragma once

#include "FileDialog.h"
#include "Form.h"
#include "NotesFile.h"

#include <QDeadlineTimer>
#include <QStringList>
#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class Timer;

// The navigation notes: every 700 ms it looks at the application window in front.
// When a note is stored for its title the window pops up in the bottom-right corner,
// on top, and shows it; otherwise it stays minimised, and restoring it lets the user
// write a note for that application or browse all notes.
class LumNavi : public Form {
    Q_OBJECT
public:
    LumNavi();

    QListWidget* lstCmnt = nullptr;
    Timer* tmrFind = nullptr;
    CommonDialog CmDlog;
    QFrame* FrameFind = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* lblCmnt = nullptr;
    QCheckBox* RemoveCheck = nullptr;
    QFrame* FrameNoTask = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtCmnt = nullptr;
    std::array<QPushButton*, 2> cmdSave{};
    std::array<QPushButton*, 2> cmdRefresh{};
    QFrame* FrameList = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* lstApp = nullptr;
    QLineEdit* ViewCmnt = nullptr;

    int TaskIndex = 0;
    NotesFile Notes;

    void ViewFrameFind();
    void ViewFrameNoTask();
    void ViewFrameList();
    void DataToList();

    void tmrFind_Timer();
    void cmdSave_Click(int index);
    void cmdRefresh_Click(int index);
    void lstApp_Click();
    void RemoveCheck_Click();

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload() override;
    bool event(QEvent* event) override;

private:
    void FindTopTask();
    void MatchTask();
    void SaveNotes();
    bool AddNote();
    void MoveToCorner();
    void RestoreQuietly();
    void Minimise();
    void KeepTheKeyboardWithTheFront();
    void ShowOnly(QFrame* frame);
    void Watch(QFrame* frame);
    uint32_t OwnHandle() const { return uint32_t(winId()); }

    bool canMinimise_ = true;  // false under a tiling window manager
    bool minimised_ = false;   // the window manager has shown the window minimised
    uint32_t taskWindow_ = 0;  // the window TaskTitle was read from
    uint32_t handBackTo_ = 0;  // the application that keeps the keyboard while a note pops up
    QDeadlineTimer handBackUntil_;
    QDeadlineTimer answerDue_;  // until then a change of state answers our request
};

#include "LumNavi.h"

#include "Art.h"
#include "Controls.h"
#include "DesktopWindows.h"
#include "FocusWindow.h"
#include "MessageBox.h"
#include "NaviMod.h"
#include "NoteRecord.h"
#include "ScreenGrabber.h"
#include "Services.h"
#include "Timer.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr double ClientWidth = 3240, ClientHeight = 1905, CornerGap = 700;
constexpr int QuietRestoreMs = 250;
// How long after showing the window its activation is taken for the window manager's doing.
constexpr int HandBackMs = 1500;
// How long after a request to minimise a change of state is the window manager's answer.
constexpr int AnswerMs = 400;
const char* const DataName = "navilist.dat";
const char* const BackupName = "navilist.bak";
const char* const FileFilter = "navilist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*";
const char* const NotesCaption = "Navigation Notes";
const QString NoApplication = QStringLiteral("アプリケーションは実行されていません");

QFrame* MakeFrame(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::NoFrame);
    Place(frame, 0, 0, 3255, 1815);
    return frame;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, double left, double top, double width, double height) {
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);  // notes are shown as typed, never as markup
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(GothicFont(9.75));
    Place(label, left, top, width, height);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QString& tip, double left, double top,
                        double width) {
    auto* button = new QPushButton(caption, parent);
    button->setToolTip(tip);
    Place(button, left, top, width, 375);
    // The narrow buttons are too small for their captions in the stand-in Gothic faces:
    // a smaller size beats a cut-off caption.
    double points = 8.25;
    button->setFont(GothicFont(points));
    while (points > 6 && QFontMetrics(button->font()).horizontalAdvance(caption) > button->width() - 6)
        button->setFont(GothicFont(points -= 0.25));
    return button;
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

}  // namespace

LumNavi::LumNavi() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // Popping up with a note must leave the keyboard with the application in front.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // A tiling window manager cannot minimise, and tiles an ordinary window among the
    // applications; a dialog it floats, so the window can sit in the corner on top. Qt
    // applies the type to a native window only, so the window is made first.
    canMinimise_ = Services::Get().desktopWindows->CanMinimise();
    if (!canMinimise_) {
        winId();
        setAttribute(Qt::WA_X11NetWmWindowTypeDialog);
    }
    SetCaption(QString::fromLatin1(NotesCaption));
    setWindowIcon(art::Icon(QStringLiteral("note")));
    QWidget* client = Client();

    lstCmnt = new QListWidget(client);  // below the client area: the comments are never seen here
    Place(lstCmnt, 120, 2040, 1575, 255);
    tmrFind = new Timer(this, 700, true, [this] { tmrFind_Timer(); });

    FrameFind = MakeFrame(client);
    Picture1 = new QLabel(FrameFind);
    Place(Picture1, 120, 360, 615, 615);
    Picture1->setPixmap(art::Picture(QStringLiteral("note"), Picture1->size()));
    lblCmnt = MakeLabel(FrameFind, QStringLiteral("コメント"), 840, 240, 2295, 1095);
    RemoveCheck = new QCheckBox(QStringLiteral("次回は表示しない"), FrameFind);
    RemoveCheck->setFont(GothicFont(8.25));
    Place(RemoveCheck, 120, 1440, 3015, 375);
    connect(RemoveCheck, &QCheckBox::toggled, this, &LumNavi::RemoveCheck_Click);

    FrameNoTask = MakeFrame(client);
    Label1 = MakeLabel(FrameNoTask, QStringLiteral("このウィンドウでのコメントを記入ください"), 0, 120, 2295, 375);
    GrowToFit(Label1);
    txtCmnt = new QPlainTextEdit(FrameNoTask);
    txtCmnt->setFont(GothicFont(9.75));
    Place(txtCmnt, 0, 600, 2295, 1095);
    cmdSave[0] = MakeButton(FrameNoTask, QStringLiteral("保存"), QStringLiteral("Save Comment"), 2400, 840, 735);
    cmdSave[1] = MakeButton(FrameNoTask, QStringLiteral("キャンセル"), QStringLiteral("Cancel comment"), 2400, 1320, 735);
    cmdRefresh[1] = MakeButton(FrameNoTask, QStringLiteral("リフレッシュ"), QStringLiteral("Click here to see comment"),
                               2400, 360, 735);
    cmdRefresh[1]->setVisible(false);

    FrameList = MakeFrame(client);
    Label4 = MakeLabel(FrameList, NoApplication, 0, 120, 1815, 375);
    GrowToFit(Label4);
    cmdRefresh[0] = MakeButton(FrameList, QStringLiteral("リフレッシュ"), QStringLiteral("Click here to refresh"), 1920,
                               120, 1215);
    lstApp = new QComboBox(FrameList);
    lstApp->setEditable(true);
    lstApp->setInsertPolicy(QComboBox::NoInsert);
    lstApp->setToolTip(QStringLiteral("Show comments"));
    lstApp->setFont(GothicFont(8.25));
    Place(lstApp, 0, 600, 3135, 285);
    connect(lstApp, &QComboBox::activated, this, &LumNavi::lstApp_Click);
    ViewCmnt = new QLineEdit(FrameList);
    ViewCmnt->setFont(GothicFont(8.25));
    Place(ViewCmnt, 0, 960, 3135, 735);

    for (int i = 0; i < 2; ++i) {
        connect(cmdSave[i], &QPushButton::clicked, this, [this, i] { cmdSave_Click(i); });
        connect(cmdRefresh[i], &QPushButton::clicked, this, [this, i] { cmdRefresh_Click(i); });
    }
    SetClientSize(ClientWidth, ClientHeight);
}

void LumNavi::Form_Load() {
    if (!canMinimise_) KeepTheKeyboardWithTheFront();  // it comes up at once there
    Minimise();
    DataToList();
    if (IsUnloaded()) return;
    tmrFind->SetEnabled(true);
}

void LumNavi::DataToList() {
    CmDlog.FileName = QString::fromLatin1(DataName);
    QString error;
    if (!Notes.FileToData(CmDlog.FileName, &error) &&
        !CmDlog.ReportLoadFailure(*this,
                                  QStringLiteral("The notes file could not be read, so no notes are shown and saving "
                                                 "is turned off until the window is opened again.\r") + error,
                                  QString::fromLatin1(FileFilter)))
        return;
    for (int k = 1; k <= NotesFile::Notes; ++k) {
        const QString title = Notes.Title(k);
        if (title.isEmpty()) continue;
        lstApp->addItem(title);
        lstCmnt->addItem(Notes.Comment(k));
    }
    lstApp->setCurrentIndex(-1);  // no title chosen yet, like the empty comment box below
}

void LumNavi::tmrFind_Timer() {
    FindTopTask();
    if (TaskIndex > 0) ViewFrameFind();
    else if (!TaskTitle.isEmpty()) ViewFrameNoTask();
    else ViewFrameList();
}

void LumNavi::FindTopTask() {
    // Where the window stays up between notes (a tiling window manager), the user writes or
    // browses in it while it is active, and the application stays the one it came from:
    // tiled windows are not stacked in the order they were used.
    const bool holding = !canMinimise_ && isActiveWindow() && !TaskTitle.isEmpty();
    if (!holding) TaskTitle = FrontTaskTitle([this] { return OwnHandle(); }, &taskWindow_);
    MatchTask();
}

void LumNavi::MatchTask() { TaskIndex = MatchTitle(Items(lstApp), TaskTitle); }

void LumNavi::ViewFrameFind() {
    RestoreQuietly();
    MoveToCorner();
    SetTopMost(OwnHandle(), 1);
    ShowOnly(FrameFind);
    SetCaption(QStringLiteral("Notes: ") + TaskTitle);
    const QListWidgetItem* comment = TaskIndex > 0 ? lstCmnt->item(TaskIndex - 1) : nullptr;
    lblCmnt->setText(comment ? comment->text() : QString());
}

void LumNavi::RestoreQuietly() {
    // The window manager's word counts beside Qt's: GNOME 48's Mutter minimises a window first
    // shown minimised once more when it is first restored, and Qt can miss that.
    DesktopWindows& desktop = *Services::Get().desktopWindows;
    if (WindowState() != vbMinimized && (desktop.Style(OwnHandle()) & WS_VISIBLE)) return;
    // Restoring the usual way lets the window manager hand us the keyboard, and
    // keystrokes meant for the application in front would land in the note. Ask for a
    // quiet restore; where the window manager refuses it (or has not taken the window
    // on yet), restore the usual way a moment later if the note is still wanted. Some
    // window managers activate the window all the same (fluxbox, icewm).
    KeepTheKeyboardWithTheFront();
    desktop.Restore(OwnHandle());
    QTimer::singleShot(QuietRestoreMs, this, [this] {
        if (IsUnloaded() || WindowState() != vbMinimized || FrameFind->isHidden()) return;
        SetWindowState(vbNormal);
        MoveToCorner();
    });
}

void LumNavi::ViewFrameNoTask() { Watch(FrameNoTask); }
void LumNavi::ViewFrameList() {
    const QString waiting = Services::Get().desktopWindows->Waiting();  // no application can be seen yet
    Label4->setText(waiting.isEmpty() ? NoApplication : waiting);
    Watch(FrameList);
}

void LumNavi::Watch(QFrame* frame) {
    SetTopMost(OwnHandle(), 0);
    Minimise();
    ShowOnly(frame);
    SetCaption(QString::fromLatin1(NotesCaption));
}

// Where the window manager cannot minimise, asking for it changes nothing on the screen but
// Qt's idea of the state (and Qt stops painting a window it takes for minimised): the
// window stays up in the corner instead, below the notes that pop up. A window manager may
// also pass over a request (KWin, now and then, the one at the start): Qt then takes the
// window for minimised while it is up, and the window manager is asked directly.
void LumNavi::Minimise() {
    if (!canMinimise_) {
        MoveToCorner();
        return;
    }
    DesktopWindows& desktop = *Services::Get().desktopWindows;
    if (WindowState() != vbMinimized) SetWindowState(vbMinimized);
    else if (desktop.Style(OwnHandle()) & WS_VISIBLE) desktop.Minimise(OwnHandle());
    else return;  // minimised already
    answerDue_.setRemainingTime(AnswerMs);
}

void LumNavi::ShowOnly(QFrame* frame) {
    for (QFrame* each : {FrameFind, FrameNoTask, FrameList}) each->setVisible(each == frame);
}

// A note pops up in the corner of the monitor that shows most of its application; the window
// waits in the primary one's.
void LumNavi::MoveToCorner() {
    const QRect application = TaskIndex > 0 ? Services::Get().desktopWindows->Area(taskWindow_) : QRect();
    const QRect monitor = Services::Get().screenGrabber->Monitor(
        application.isEmpty() ? std::nullopt : std::optional<QRect>(application));
    Move(twips::FromPixelsX(monitor.x() + monitor.width()) - Width() - CornerGap,
         twips::FromPixelsY(monitor.y() + monitor.height()) - Height() - CornerGap);
}

// Should the window manager activate this window in answer to showing it, the application
// the user works in gets the keyboard back.
void LumNavi::KeepTheKeyboardWithTheFront() {
    handBackTo_ = uint32_t(Services::Get().focusWindow->LastOther());
    handBackUntil_.setRemainingTime(HandBackMs);
}

bool LumNavi::event(QEvent* event) {
    // Every activation in that time: a slow quiet restore is followed by the usual one.
    if (event->type() == QEvent::WindowActivate && handBackTo_ && !handBackUntil_.hasExpired()) {
        Services::Get().focusWindow->Activate(handBackTo_);
    } else if (event->type() == QEvent::WindowActivate && FrameNoTask->isVisible()) {
        txtCmnt->setFocus();  // the user came to write a note
    }
    return Form::event(event);
}

void LumNavi::Form_Resize() {
    // Only a window that was minimised can be restored, and not by the window manager's
    // own answer to the request: i3 never minimises, KWin now and then minimises the new
    // window and shows it again at once. Neither is the user asking to write a note.
    const bool restored = minimised_ && WindowState() == vbNormal && answerDue_.hasExpired();
    minimised_ = WindowState() == vbMinimized;
    if (TaskIndex == 0 && restored) {
        handBackTo_ = 0;  // the user asked for the window, keyboard and all
        // The user restored the window to write or browse: hold the frame still, and let
        // the note be typed at once.
        tmrFind->SetEnabled(false);
        SetTopMost(OwnHandle(), 1);
        MoveToCorner();
        if (FrameNoTask->isVisible()) txtCmnt->setFocus();
    } else if (minimised_) {
        tmrFind->SetEnabled(true);
    }
}

void LumNavi::Form_Unload() { tmrFind->SetEnabled(false); }

void LumNavi::cmdSave_Click(int index) {
    bool keepText = false;
    if (index == 0) {
        const QString comment = txtCmnt->toPlainText();
        if (comment.isEmpty()) {
            MsgBox(QStringLiteral("Enter Comment First"));
            if (IsUnloaded()) return;
        } else if (!AddNote()) {
            if (IsUnloaded()) return;
            keepText = true;  // a refused note stays in the box for the user to shorten or fix
        } else {
            SaveNotes();
            if (IsUnloaded()) return;
            FindTopTask();
            ViewFrameFind();
        }
    } else {
        ViewFrameNoTask();
    }
    tmrFind->SetEnabled(true);
    if (!keepText) txtCmnt->clear();
}

bool LumNavi::AddNote() {
    const QString comment = txtCmnt->toPlainText();
    QString why;
    if (!Notes.Loaded())
        why = NotesFile::NotLoadedMessage();
    else if (TaskTitle.isEmpty())
        why = QStringLiteral("No application window was found to attach the note to. Nothing was saved.");
    else if (lstApp->count() >= NotesFile::Notes)
        why = QStringLiteral("All %1 notes are in use: delete one before adding another. Nothing was saved.")
                  .arg(NotesFile::Notes);
    else
        why = NotesFile::CheckNote(TaskTitle, comment);
    if (!why.isEmpty()) {
        MsgBox(why);
        return false;
    }
    // Shown as the file will give them back, so that nothing changes at the next load.
    lstApp->addItem(noterecord::ReadBack(TaskTitle));
    lstCmnt->addItem(noterecord::ReadBack(comment));
    return true;
}

void LumNavi::SaveNotes() {
    QString message;
    QStringList comments;
    for (int i = 0; i < lstCmnt->count(); ++i) comments << lstCmnt->item(i)->text();
    if (!Notes.SaveNotes(Items(lstApp), comments, QString::fromLatin1(DataName), QString::fromLatin1(BackupName),
                         &message))
        MsgBox(message);
}

void LumNavi::cmdRefresh_Click(int) { tmrFind->SetEnabled(true); }

void LumNavi::lstApp_Click() {
    ViewCmnt->clear();
    const QListWidgetItem* comment = lstCmnt->item(lstApp->currentIndex());
    if (comment) ViewCmnt->setText(comment->text());
}

void LumNavi::RemoveCheck_Click() {
    if (!RemoveCheck->isChecked()) return;
    if (!Notes.Loaded()) {
        MsgBox(NotesFile::NotLoadedMessage());
        if (IsUnloaded()) return;
    } else if (TaskIndex > 0 && lstApp->itemText(TaskIndex - 1) == TaskTitle) {
        // Only the note that is shown: after a deletion the index points at the next note.
        lstApp->removeItem(TaskIndex - 1);
        delete lstCmnt->takeItem(TaskIndex - 1);
        SaveNotes();
        if (IsUnloaded()) return;
    }
    RemoveCheck->setChecked(false);
}

#include "LumPass.h"

#include "Art.h"
#include "Controls.h"
#include "FocusWindow.h"
#include "Forms.h"
#include "KeyNotation.h"
#include "KeySender.h"
#include "MessageBox.h"
#include "Services.h"
#include "Twips.h"
#include "Wait.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

namespace {

constexpr double ClientWidth = 1980, ClientHeight = 4815, SetupWidth = 2400;
const char* const DataName = "palist.dat";
const char* const BackupName = "palist.bak";
const char* const FileFilter = "palist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*";

QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

void SetBackColor(QPushButton* button, const QColor& color) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, color);
    button->setPalette(palette);
    button->setAutoFillBackground(true);
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QString& tip, double left, double top,
                        double width, double height) {
    auto* button = new QPushButton(caption, parent);
    button->setFont(GothicFont(8.25));
    if (!tip.isEmpty()) button->setToolTip(tip);
    Place(button, left, top, width, height);
    return button;
}

QComboBox* MakeCombo(QWidget* parent, const QStringList& items) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);  // typed key names are not collected
    combo->addItems(items);
    combo->setFont(GothicFont(9.75));
    return combo;
}

// The keystrokes of the key chosen after a text: Tab, Enter, or none.
QString KeyAfter(const QString& name) {
    if (name == QStringLiteral("Tab")) return QString(QChar(9));
    if (name == QStringLiteral("Enter")) return QString(QChar(13));
    return {};
}

}  // namespace

LumPass::LumPass() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    SetCaption(QStringLiteral("LumPassword"));
    setWindowIcon(art::Icon(QStringLiteral("key")));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(palette);
    setAutoFillBackground(true);

    QWidget* client = Client();
    for (int i = 0; i < 8; ++i) {
        cmdNavi[i] = MakeButton(client, {}, {}, 120, 120 + 360 * i, 1695, 375);
        connect(cmdNavi[i], &QPushButton::clicked, this, [this, i] { cmdNavi_Click(i); });
    }
    cmdPrev = MakeButton(client, QStringLiteral("前へ"), QStringLiteral("Go to previous group"), 120, 3120, 855, 375);
    cmdNext = MakeButton(client, QStringLiteral("次へ"), QStringLiteral("Go to Next group"), 960, 3120, 855, 375);
    cmdSetup = MakeButton(client, QStringLiteral("設定"), QStringLiteral("Setup Login Name, Password"), 120, 4320, 1695, 375);
    connect(cmdPrev, &QPushButton::clicked, this, &LumPass::cmdPrev_Click);
    connect(cmdNext, &QPushButton::clicked, this, &LumPass::cmdNext_Click);
    connect(cmdSetup, &QPushButton::clicked, this, &LumPass::cmdSetup_Click);

    frmSetup = new QGroupBox(QStringLiteral("設定"), client);
    frmSetup->setFont(GothicFont(8.25));
    Place(frmSetup, 2040, 0, 2175, 4815);
    struct LabelLayout { const char* caption; double top; };
    const LabelLayout labels[5] = {{"コマンド名", 240}, {"ログインの名前", 1080}, {"パスワード", 2400},
                                   {"終了キー", 1800}, {"終了キー", 3120}};
    for (int i = 0; i < 5; ++i) {
        Label[i] = new QLabel(QString::fromUtf8(labels[i].caption), frmSetup);
        Label[i]->setFont(GothicFont(8.25));
        Place(Label[i], 120, labels[i].top, 1335, 255);
    }
    auto makeEdit = [this](double top) {
        auto* edit = new QLineEdit(frmSetup);
        edit->setFont(GothicFont(9.75));
        Place(edit, 240, top, 1695, 375);
        return edit;
    };
    AppName = makeEdit(480);
    LogInName = makeEdit(1320);
    Password = makeEdit(2640);  // shown in clear, as the user set it up
    // The key boxes reach further left than the layout first had them, so that "(None)" shows
    // whole beside the drop-down button; their right edges stay in line with the text boxes.
    CombLog = MakeCombo(frmSetup, {QStringLiteral("Tab"), QStringLiteral("Enter"), QStringLiteral("(None)")});
    Place(CombLog, 840, 1800, 1095, 315);
    Frame2 = new QWidget(frmSetup);
    Place(Frame2, 720, 3000, 1215, 735);
    CombPass = MakeCombo(Frame2, {QStringLiteral("Enter"), QStringLiteral("Tab"), QStringLiteral("(None)")});
    Place(CombPass, 120, 120, 1095, 315);
    // The combo boxes sit above their labels' right ends, so they must be stacked on top.
    CombLog->raise();
    Frame2->raise();

    QFont arrows = SansSerifFont(12);
    arrows.setBold(true);
    cmdSetPrev = MakeButton(frmSetup, QStringLiteral("<"), {}, 120, 3720, 615, 375);
    cmdSetNext = MakeButton(frmSetup, QStringLiteral(">"), {}, 720, 3720, 615, 375);
    cmdSetPrev->setFont(arrows);
    cmdSetNext->setFont(arrows);
    cmdSave = MakeButton(frmSetup, QStringLiteral("保存"), {}, 120, 4320, 975, 375);
    cmdCancel = MakeButton(frmSetup, QStringLiteral("キャンセル"), {}, 1080, 4320, 975, 375);
    connect(cmdSetPrev, &QPushButton::clicked, this, &LumPass::cmdSetPrev_Click);
    connect(cmdSetNext, &QPushButton::clicked, this, &LumPass::cmdSetNext_Click);
    connect(cmdSave, &QPushButton::clicked, this, &LumPass::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &LumPass::cmdCancel_Click);

    SetClientSize(ClientWidth, ClientHeight);
}

QString LumPass::EntryCaption(const QString& appName) {
    if (appName.isEmpty()) return QStringLiteral("(None)");
    qsizetype start = 0;
    while (start < appName.size() && appName[start] == u' ') ++start;
    QString caption = appName.mid(start).left(12).leftJustified(12, u' ');
    return caption.replace(u'&', QStringLiteral("&&"));
}

void LumPass::Form_Load() {
    frmSetup->setVisible(false);
    CurGroup = 0;
    CurEntry = 1;

    CommonDialog1.FileName = QString::fromLatin1(DataName);
    QString error;
    // Said once; saving stays refused until a load succeeds, so the stored entries are
    // never replaced by the empty table.
    if (!Pass.Load(CommonDialog1.FileName, &error) &&
        !CommonDialog1.ReportLoadFailure(*this,
                                         QStringLiteral("The password file could not be read, so the notebook is "
                                                        "empty and saving is turned off.\r") + error,
                                         QString::fromLatin1(FileFilter)))
        return;
    ViewGroup();
}

void LumPass::ViewGroup() {
    cmdPrev->setEnabled(true);
    cmdNext->setEnabled(true);
    if (CurGroup == 0) cmdPrev->setEnabled(false);
    else if (CurGroup == 2) cmdNext->setEnabled(false);
    for (int i = 0; i < 8; ++i) {
        const int k = 8 * CurGroup + i + 1;
        SetBackColor(cmdNavi[i], ButtonFace());
        const QString& name = Pass.Data(k, 1);
        cmdNavi[i]->setText(EntryCaption(name));
        cmdNavi[i]->setEnabled(!name.isEmpty());
    }
}

bool LumPass::FrameVisible() const { return !frmSetup->isHidden(); }

void LumPass::cmdPrev_Click() {
    if (CurGroup > 0) --CurGroup;
    ViewGroup();
    if (FrameVisible()) {
        CurEntry = std::max(1, CurEntry - 8);
        ViewEntry();
    }
}

void LumPass::cmdNext_Click() {
    if (CurGroup < 2) ++CurGroup;
    ViewGroup();
    if (FrameVisible()) {
        CurEntry = std::min(PassFile::Entries, CurEntry + 8);
        ViewEntry();
    }
}

void LumPass::cmdNavi_Click(int index) {
    // One sequence at a time: a click during the pauses would interleave keystrokes.
    if (typing_) return;
    const int k = 8 * CurGroup + index + 1;
    if (Pass.Data(k, 1).isEmpty()) return;

    // The whole entry is checked before anything is typed, so a bad text never
    // types part of itself.
    struct Step { QString what; ParsedKeys keys; bool pauseBefore; };
    std::vector<Step> steps;
    const QString texts[4] = {Pass.Data(k, 2), KeyAfter(Pass.Data(k, 3)), Pass.Data(k, 5), KeyAfter(Pass.Data(k, 4))};
    const char* const names[4] = {"login name", "", "password", ""};
    for (int i = 0; i < 4; ++i) {
        Step step{QString::fromLatin1(names[i]), {}, i != 1};
        if (!texts[i].isEmpty()) {
            step.keys = ParseKeys(texts[i]);
            if (!step.keys.ok()) {
                MsgBox(QStringLiteral("Nothing was typed: the %1 of \"%2\" is not valid key notation.\r%3")
                           .arg(step.what, Pass.Data(k, 1), step.keys.error));
                return;
            }
        }
        steps.push_back(std::move(step));
    }

    typing_ = true;
    struct Done { bool& flag; ~Done() { flag = false; } } done{typing_};

    FocusWindow& focus = *Services::Get().focusWindow;
    const unsigned long before = focus.LastOther();  // the application the user worked in
    SetWindowState(vbMinimized);
    KeySender& sender = *Services::Get().keySender;
    unsigned long target = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].pauseBefore) {
            Wait(1);
            if (IsUnloaded()) return;
        }
        // Keystrokes go only to the application the user worked in before (or, when none is
        // known, the one that became active after minimising), and only while it keeps the focus.
        if (i == 0) {
            if (before && !HandBackKeyboard(before)) return;
            const FocusWindow::Info now = focus.Current();
            if (!now.window || now.desktop || now.own) {
                MsgBox(QStringLiteral("Nothing was typed: no other application's window has the keyboard focus."));
                return;
            }
            if (before && now.window != before) {
                MsgBox(QStringLiteral("Nothing was typed: the keyboard did not come back to the application you "
                                      "were working in."));
                return;
            }
            target = now.window;
            std::vector<KeyStroke> all;
            for (const Step& step : steps) all.insert(all.end(), step.keys.strokes.begin(), step.keys.strokes.end());
            if (const QString untypable = sender.Untypable(all); !untypable.isEmpty()) {
                MsgBox(QStringLiteral("Nothing was typed: no key of the keyboard layout types %1 into that window.")
                           .arg(untypable));
                return;
            }
        } else if (focus.Current().window != target) {
            MsgBox(QStringLiteral("Typing stopped: the keyboard focus moved to another window."));
            return;
        }
        if (steps[i].keys.strokes.empty()) continue;
        QString error;
        const bool sent = sender.Send(steps[i].keys.strokes, target, &error);
        if (IsUnloaded()) return;
        if (!sent) {
            MsgBox(QStringLiteral("Typing stopped: ") + error);
            return;
        }
    }
}

// A window manager may give the keyboard to no one after the minimise (fluxbox) or cannot
// minimise at all (i3): ask it to activate the application, and wait a moment for it.
bool LumPass::HandBackKeyboard(unsigned long application) {
    FocusWindow& focus = *Services::Get().focusWindow;
    if (focus.Current().window != application) focus.Activate(application);
    for (int tries = 0; tries < 10 && focus.Current().window != application; ++tries) {
        Wait(0.1);
        if (IsUnloaded()) return false;
    }
    return true;
}

void LumPass::cmdSetup_Click() {
    Move(Left(), Top(), Width() + SetupWidth, Height());
    frmSetup->setVisible(true);
    cmdSetup->setEnabled(false);
    ViewEntry();
}

void LumPass::ViewEntry() {
    const int k = CurEntry;
    AppName->setText(Pass.Data(k, 1));
    LogInName->setText(Pass.Data(k, 2));
    CombLog->setEditText(Pass.Data(k, 3));
    CombPass->setEditText(Pass.Data(k, 4));
    Password->setText(Pass.Data(k, 5));
    if (AppName->text().isEmpty()) {
        CombLog->setEditText(QStringLiteral("Tab"));
        CombPass->setEditText(QStringLiteral("Enter"));
    }
    // Long texts show from their start, not scrolled to their end.
    for (QLineEdit* box : {AppName, LogInName, Password, CombLog->lineEdit(), CombPass->lineEdit()})
        box->setCursorPosition(0);
    cmdSetPrev->setEnabled(true);
    cmdSetNext->setEnabled(true);
    if (k == 1) cmdSetPrev->setEnabled(false);
    else if (k == PassFile::Entries) cmdSetNext->setEnabled(false);
    if (CurGroup != (k - 1) / 8) {
        CurGroup = (k - 1) / 8;
        ViewGroup();
    }
    for (QPushButton* button : cmdNavi) SetBackColor(button, ButtonFace());
    SetBackColor(cmdNavi[(k - 1) % 8], HighlightColor());
}

void LumPass::cmdSetPrev_Click() {
    if (CurEntry > 1) --CurEntry;
    ViewEntry();
}

void LumPass::cmdSetNext_Click() {
    if (CurEntry < PassFile::Entries) ++CurEntry;
    ViewEntry();
}

void LumPass::cmdSave_Click() {
    const int answer = MsgBox(QStringLiteral("Do you want to save the changes?"), vbYesNo);
    if (IsUnloaded()) return;
    if (answer == vbYes) {
        const std::array<QString, 5> texts{AppName->text(), LogInName->text(), CombLog->currentText(),
                                           CombPass->currentText(), Password->text()};
        // Refused texts stay in the frame for the user to correct; nothing is stored.
        const QString why = PassFile::CheckTexts(texts);
        if (!why.isEmpty()) {
            MsgBox(why + QStringLiteral(" Nothing was saved."));
            return;
        }
        for (int f = 1; f <= 5; ++f) Pass.Data(CurEntry, f) = texts[f - 1];
    }
    SavePass();
    if (IsUnloaded()) return;
    NarrowAfterSetup();
    frmSetup->setVisible(false);
    cmdSetup->setEnabled(true);
    ViewGroup();
}

void LumPass::cmdCancel_Click() {
    NarrowAfterSetup();
    frmSetup->setVisible(false);
    cmdSetup->setEnabled(true);
    ViewGroup();
}

void LumPass::NarrowAfterSetup() {
    // Never narrower than the button column, however the user resized meanwhile.
    const double frameExtra = Width() - twips::FromPixelsX(width());
    const double narrowest = ClientWidth + frameExtra;
    Move(Left(), Top(), std::max<double>(Width() - SetupWidth, narrowest), Height());
}

void LumPass::SavePass() {
    QString message;
    if (!Pass.SavePass(CurEntry, QString::fromLatin1(DataName), QString::fromLatin1(BackupName), &message))
        MsgBox(message);
}

void LumPass::FieldToData() {
    QString error;
    if (!Pass.FieldToData(CommonDialog1.FileName, &error)) MsgBox(error);
}

#include "../navi/NaviFakes.h"
#include "../zoom/ZoomFakes.h"
#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "SpotZoom.h"
#include "Timer.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The main window with every tool reachable, in a folder of its own, over fakes.
class Launcher : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home = QDir::currentPath();
    FakeServices fakes;
    ZoomFakes zoomFakes;
    frmMain* main = nullptr;
    void SetUp() override {
        QDir::setCurrent(dir.path());
        Services::Get().desktopWindows = std::make_unique<FakeDesktopWindows>();
        main = &Forms::Show<frmMain>();
    }
    void TearDown() override {
        Forms::UnloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(home);
    }
    bool MainPutAway() const { return main->isHidden() || main->WindowState() == vbMinimized; }  // or no tray
    void BringMainBack() { main->SetWindowState(vbNormal), main->Show(); }
    QString NotesText() { return Forms::Get<LumNavi>().lblCmnt->text(); }
};

// A fixed text as listed, with why it does not fit its box at the fonts installed here, if it does not.
QString Listed(const char* kind, QString text, const QFontMetrics& metrics, int width, int height, int flags = Qt::TextWordWrap) {
    const QRect needed = metrics.boundingRect(QRect(0, 0, std::max(width, 1), 10000), flags, QString(text).remove(u'&'));
    QString line = QString("%1: %2").arg(kind, text.replace('\n', "\\n"));
    if (width >= 0 && (needed.width() > width || needed.height() > height))
        line += QString(" (needs %1x%2, has %3x%4)").arg(needed.width()).arg(needed.height()).arg(width).arg(height);
    return line;
}

QStringList Texts(QWidget* form) {
    QStringList out{"window: " + form->windowTitle()};
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const QFontMetrics m(w->font());
        const QRect box = w->contentsRect();
        if (!w->toolTip().isEmpty()) out << "tip: " + w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty())
            out << Listed("label", label->text(), m, label->textFormat() == Qt::RichText ? -1 : box.width(), box.height(), label->wordWrap() ? Qt::TextWordWrap : 0);
        else if (auto* button = qobject_cast<QPushButton*>(w))
            out << Listed("button", button->text(), m, box.width() - 4, box.height() - 2);
        else if (auto* check = qobject_cast<QCheckBox*>(w))
            out << Listed("check", check->text(), m, box.width() - 20, box.height());
        else if (auto* group = qobject_cast<QGroupBox*>(w); group && !group->title().isEmpty())
            out << "frame: " + group->title();
        else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const int field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
            for (int i = 0; i < combo->count(); ++i) out << Listed("item", combo->itemText(i), m, field - 4, box.height());
        } else if (auto* menu = qobject_cast<QMenu*>(w))
            for (QAction* a : menu->actions()) out << (a->isSeparator() ? "menu: -" : "menu: " + a->text());
    }
    return out;
}

}  // namespace

// Every window, its setup frame open, the zoom hint, the tour's texts: each fixed text exactly as listed in
// fixed-texts.txt, and whole in its box (PELMORA_WRITE_FIXED_TEXTS=1 rewrites the list, to review in the diff).
TEST_F(Launcher, EveryFixedTextIsAsListedAndWholeInItsBox) {
    LumPass& pass = Forms::Show<LumPass>();
    pass.cmdSetup_Click();
    QStringList texts;
    for (QWidget* form : std::initializer_list<QWidget*>{main, &pass, &Forms::Show<LumNavi>(), &Forms::Show<frmAbout>(), &Forms::Show<frmHelp>()})
        texts << Texts(form);
    main->cmdTool_Click(0);
    main->menuDemo_Click();
    for (int step = 0; step < 3; ++step) texts << "tour: " + NotesText(), main->Timer1_Timer();
    texts << "tour: " + NotesText();
    for (int i = 0; i < fakes.messageBox->prompts.size(); ++i) texts << fakes.messageBox->titles[i] + ": " + QString(fakes.messageBox->prompts[i]).replace('\n', "\\n");
    if (qEnvironmentVariableIsSet("PELMORA_WRITE_FIXED_TEXTS")) WriteAll(FIXED_TEXTS, (texts.join('\n') + '\n').toUtf8());
    EXPECT_EQ(texts.join('\n') + '\n', QString::fromUtf8(ReadAll(FIXED_TEXTS)));
    // The arrows are in the same sans-serif face as the dialogs, not in the window's Gothic.
    EXPECT_EQ(QFontInfo(pass.cmdSetNext->font()).family(), QFontInfo(Forms::Get<frmAbout>().lblTitle->font()).family());
}

// What launcher_desktop does not drive: the zoom menu item, which shows no hint; a tool opened again keeps what
// was typed into it; the tour chosen again starts over.
TEST_F(Launcher, ToolsOpenWithoutReloadingAndTheTourStartsOver) {
    main->menuZoom_Click();
    EXPECT_TRUE(Forms::Get<SpotZoom>().isVisible() && fakes.messageBox->prompts.isEmpty() && MainPutAway());
    BringMainBack();
    main->cmdTool_Click(1);
    Forms::Get<LumPass>().AppName->setText("typed, not saved");
    BringMainBack();
    main->menuPass_Click();
    EXPECT_EQ(Forms::Get<LumPass>().AppName->text(), "typed, not saved");
    main->menuDemo_Click();
    main->Timer1_Timer(), main->Timer1_Timer();
    main->menuDemo_Click();
    EXPECT_EQ(main->DemoStep, 1);
    EXPECT_EQ(NotesText(), "This is Demo how to use Pelmora.");
}

#include "LumNavi.h"
#include "LumPass.h"
#include "Support.h"
#include "Timer.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmMain.h"

#include <QtWidgets>

// The texts that do not show whole in their boxes at the fonts here.
static QStringList Clipped(QWidget* window) {
    QStringList clipped;
    const auto fit = [&](QWidget* w, QString text, int width, int height, int flags = Qt::TextWordWrap) {
        text.remove('&');
        const QRect needed = QFontMetrics(w->font()).boundingRect(0, 0, std::max(width, 1), 1000, flags, text);
        if (needed.width() > width || needed.height() > height) clipped << text;
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QRect box = w->contentsRect();
        if (auto* label = qobject_cast<QLabel*>(w); label && label->textFormat() != Qt::RichText)
            fit(w, label->text(), box.width(), box.height(), label->wordWrap() ? Qt::TextWordWrap : 0);
        else if (auto* button = qobject_cast<QPushButton*>(w))
            fit(w, button->text(), box.width() - 4, box.height() - 2);
        else if (auto* tick = qobject_cast<QCheckBox*>(w))
            fit(w, tick->text(), box.width() - 20, box.height());
        else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const auto part = QStyle::SC_ComboBoxEditField;
            const int field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, part, combo).width();
            for (int i = 0; i < combo->count(); ++i) fit(w, combo->itemText(i), field - 4, box.height());
        }
    }
    return clipped;
}

// Every window, the notebook's setup frame, each step of the tour; the tour's timer ends with it.
TEST_F(InFolder, EveryTextShowsWholeInItsBoxAndTheTourEnds) {
    frmMain& main = Forms::Show<frmMain>();
    LumPass& pass = Forms::Show<LumPass>();
    pass.cmdSetup_Click();
    QStringList clipped;
    for (QWidget* form : std::initializer_list<QWidget*>{&main, &pass, &Forms::Show<LumNavi>(),
                                                          &Forms::Show<frmAbout>(), &Forms::Show<frmHelp>()})
        clipped << Clipped(form);
    Forms::Unload<LumPass>();
    main.menuDemo_Click();
    for (int step = 1; step <= 4; ++step) {
        clipped << Clipped(&Forms::Get<LumNavi>());
        main.Timer1_Timer();
    }
    EXPECT_EQ(clipped, QStringList());
    EXPECT_FALSE(main.Timer1->Enabled());
    EXPECT_FALSE(Forms::IsLoaded<LumNavi>() || Forms::IsLoaded<LumPass>());
}

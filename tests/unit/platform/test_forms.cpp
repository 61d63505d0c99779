#include "Fakes.h"
#include "Forms.h"
#include "Timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList journal;

class frmProbe : public Form {
public:
    Timer* tmrTick = new Timer(this, 10, true, [this] { ++ticks; });
    int ticks = 0;
    int cancelUnload = 0;
    QString text;

    // A handler that pauses in a message box, then touches its own state.
    void cmdAsk_Click() {
        MsgBox(QStringLiteral("pause"));
        if (IsUnloaded()) {
            journal << "resumed unloaded";
            return;
        }
        text = QStringLiteral("answered");
    }

protected:
    void Form_Load() override { journal << "load"; }
    void Form_QueryUnload(int& cancel, int mode) override {
        journal << QStringLiteral("query %1").arg(mode);
        cancel = cancelUnload;
    }
    void Form_Unload() override { journal << "unload"; }
};

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace

TEST(Forms, FirstReferenceLoadsWithoutShowingAndLaterOnesReuseTheInstance) {
    journal.clear();
    frmProbe& probe = Forms::Get<frmProbe>();
    EXPECT_FALSE(probe.isVisible());
    EXPECT_EQ(&Forms::Get<frmProbe>(), &probe);
    Forms::Show<frmProbe>();
    EXPECT_TRUE(probe.isVisible());
    probe.Hide();
    EXPECT_TRUE(Forms::IsLoaded<frmProbe>());
    EXPECT_EQ(journal, QStringList({"load"}));
    Forms::Unload<frmProbe>();
    settle();
}

TEST(Forms, UnloadAsksFirstStopsTimersAndLoadsAfreshOnTheNextReference) {
    journal.clear();
    QPointer<frmProbe> first = &Forms::Get<frmProbe>();
    first->cancelUnload = 1;
    EXPECT_FALSE(Forms::Unload(first.data()));
    EXPECT_TRUE(Forms::IsLoaded<frmProbe>());
    first->cancelUnload = 0;
    EXPECT_TRUE(first->tmrTick->Enabled());
    Forms::Unload<frmProbe>();
    EXPECT_FALSE(Forms::IsLoaded<frmProbe>());
    EXPECT_FALSE(first->tmrTick->Enabled());
    first->tmrTick->SetEnabled(true);  // an unloaded form's timer stays off
    EXPECT_FALSE(first->tmrTick->Enabled());
    Forms::Unload<frmProbe>();  // not loaded: nothing happens
    settle();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(journal, QStringList({"load", "query 1", "query 1", "unload"}));
    frmProbe& second = Forms::Get<frmProbe>();
    EXPECT_EQ(journal.last(), "load");
    EXPECT_TRUE(second.text.isEmpty());
    Forms::Unload<frmProbe>();
    settle();
}

TEST(Forms, AFormUnloadedWhileItsHandlerIsPausedLivesUntilTheHandlerReturns) {
    journal.clear();
    FakeServices fakes;
    QPointer<frmProbe> probe = &Forms::Show<frmProbe>();
    QPointer<frmProbe> reloaded;
    fakes.messageBox->duringAsk = [&] {
        Forms::Unload<frmProbe>();
        settle();  // events of the modal loop run meanwhile
        EXPECT_FALSE(probe.isNull()) << "destroyed under its paused handler";
        EXPECT_FALSE(probe->isVisible());
        reloaded = &Forms::Get<frmProbe>();  // another handler's reference loads a fresh one
    };
    probe->cmdAsk_Click();
    EXPECT_EQ(journal, QStringList({"load", "query 1", "unload", "load", "resumed unloaded"}));
    settle();
    EXPECT_TRUE(probe.isNull());
    ASSERT_FALSE(reloaded.isNull());
    EXPECT_NE(reloaded.data(), probe.data());
    EXPECT_TRUE(reloaded->text.isEmpty());
    Forms::Unload<frmProbe>();
    settle();
}

TEST(Forms, TitleBarCloseUnloadsAndATimerTickIsNeverNested) {
    journal.clear();
    FakeServices fakes;
    frmProbe& probe = Forms::Show<frmProbe>();
    int nested = 0, depth = 0;
    Timer* slow = new Timer(&probe, 5, true, [&] {
        ++depth;
        nested = std::max(nested, depth);
        QTest::qWait(30);  // lets further ticks of this timer come due
        --depth;
    });
    QTest::qWait(50);
    slow->SetEnabled(false);
    EXPECT_EQ(nested, 1);
    EXPECT_GT(probe.ticks, 0);
    probe.close();
    EXPECT_FALSE(Forms::IsLoaded<frmProbe>());
    EXPECT_EQ(journal.mid(1), QStringList({"query 0", "unload"}));
    settle();
}

// The program's intervals are ones the user sees: a tick never comes before its time.
TEST(Forms, TimerTicksNeverComeEarly) {
    FakeServices fakes;
    frmProbe& probe = Forms::Show<frmProbe>();
    probe.tmrTick->SetEnabled(false);
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    new Timer(&probe, 1000, true, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 2; }, 4000));
    for (size_t i = 0; i < ticks.size(); ++i)  // on a fixed schedule: tick i is due at (i + 1) x 1000 ms
        EXPECT_GE(ticks[i], qint64(i + 1) * 1'000'000'000 - 1'000'000) << "tick " << i;
    Forms::Unload(&probe);
    settle();
}


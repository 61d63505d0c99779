#pragma once

#include "FileDialog.h"
#include "MessageBox.h"
#include "Services.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <type_traits>

template <class T> T Pop(std::deque<T>& queue, std::type_identity_t<T> otherwise) {
    if (queue.empty()) return otherwise;
    T front = queue.front();
    return queue.pop_front(), front;
}
template <class Fake, class Base> Fake* Install(std::unique_ptr<Base>& slot) {
    slot = std::make_unique<Fake>();
    return static_cast<Fake*>(slot.get());
}

// Answers from a queue (else Yes for Yes/No, OK otherwise), records prompts and titles;
// duringAsk stands in for events delivered by the box's modal loop.
struct FakeMessageBox : MessageBox {
    QStringList prompts, titles;
    std::deque<int> answers;
    std::function<void()> duringAsk;
    int Ask(const QString& prompt, int buttons, const QString& title) override {
        prompts << prompt, titles << title;
        if (duringAsk) duringAsk();
        return Pop(answers, buttons == vbYesNo ? vbYes : vbOK);
    }
};
// Returns the queued names (empty = cancel), records the calls.
struct FakeFileDialog : FileDialog {
    QStringList calls;
    std::deque<QString> names;
    QString ShowOpen(const QString& filter, const QString&) override { return calls << "open " + filter, Pop(names, {}); }
    QString ShowSave(const QString& filter, const QString&) override { return calls << "save " + filter, Pop(names, {}); }
};
struct FakeClock : Clock {
    double now = 0;
    double SecondsOfDay() override { return now; }
};
// A window manager that obeys unless told otherwise: an activated window gets the focus.
struct FakeFocusWindow : FocusWindow {
    Info info{0x400001, false, false};
    unsigned long lastOther = 0;
    bool windowManagerObeys = true;
    std::vector<unsigned long> activated;
    Info Current() override { return info; }
    unsigned long LastOther() override { return lastOther; }
    void Activate(unsigned long window) override {
        activated.push_back(window);
        if (windowManagerObeys) info = Info{window, false, false};
    }
};
// Installs fresh fakes for one test.
struct FakeServices {
    Services& s = Services::Get();
    FakeMessageBox* messageBox = Install<FakeMessageBox>(s.messageBox);
    FakeFileDialog* fileDialog = Install<FakeFileDialog>(s.fileDialog);
    FakeClock* clock = Install<FakeClock>(s.clock);
    FakeFocusWindow* focus = Install<FakeFocusWindow>(s.focusWindow);
};

// Command store: keys (as written) with the type and text of their default value.
struct FakeBrowserCommands : BrowserCommands {
    struct Value { int type; QString text; };
    std::map<QString, Value> keys;
    QStringList queried;
    bool Query(const QString& keyPath, const QString& valueName, int& type, QString& text) override {
        queried << keyPath;
        const auto it = keys.find(keyPath);
        if (it == keys.end()) return false;
        type = valueName.isEmpty() ? it->second.type : int(REG_NONE);
        text = valueName.isEmpty() ? it->second.text : QString();
        return true;
    }
};
// Records every start, answers with the queued error numbers (0 = started).
struct FakeProcessStarter : ProcessStarter {
    QList<QStringList> starts;
    std::deque<int> errors;
    int Start(const QStringList& argv) override { return starts << argv, Pop(errors, 0); }
};
struct BrowserFakes {
    FakeBrowserCommands* commands = Install<FakeBrowserCommands>(Services::Get().browserCommands);
    FakeProcessStarter* starter = Install<FakeProcessStarter>(Services::Get().processStarter);
};

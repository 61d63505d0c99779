#pragma once

#include "FileDialog.h"
#include "MessageBox.h"
#include "Services.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <map>

// Scripted message box: answers from a queue (Yes by default for Yes/No, OK
// otherwise) and records every prompt and title. duringAsk runs while the box
// "is open", standing in for events delivered by its modal loop.
class FakeMessageBox : public MessageBox {
public:
    QStringList prompts, titles;
    std::deque<int> answers;
    std::function<void()> duringAsk;

    int Ask(const QString& prompt, int buttons, const QString& title) override {
        prompts << prompt;
        titles << title;
        if (duringAsk) duringAsk();
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == vbYesNo ? vbYes : vbOK;
    }
};

// Scripted file dialog: returns the queued names (empty = cancel), records the calls.
class FakeFileDialog : public FileDialog {
public:
    QStringList calls;
    std::deque<QString> names;

    QString ShowOpen(const QString& filter, const QString&) override { return next("open " + filter); }
    QString ShowSave(const QString& filter, const QString&) override { return next("save " + filter); }

private:
    QString next(const QString& call) {
        calls << call;
        if (names.empty()) return {};
        QString name = names.front();
        names.pop_front();
        return name;
    }
};

class FakeClock : public Clock {
public:
    double now = 0;
    double SecondsOfDay() override { return now; }
};

// Installs fresh fakes for one test and returns them.
// The focused window, scripted. A window manager that obeys: an activated window gets the focus.
class FakeFocusWindow : public FocusWindow {
public:
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

struct FakeServices {
    FakeMessageBox* messageBox;
    FakeFileDialog* fileDialog;
    FakeClock* clock;

    FakeServices() {
        Services& s = Services::Get();
        s.messageBox = std::make_unique<FakeMessageBox>();
        s.fileDialog = std::make_unique<FakeFileDialog>();
        s.clock = std::make_unique<FakeClock>();
        s.focusWindow = std::make_unique<FakeFocusWindow>();
        messageBox = static_cast<FakeMessageBox*>(s.messageBox.get());
        fileDialog = static_cast<FakeFileDialog*>(s.fileDialog.get());
        clock = static_cast<FakeClock*>(s.clock.get());
    }
};

// Scripted command store: keys (as written) with the type and text of their
// default value; records every key asked for.
class FakeBrowserCommands : public BrowserCommands {
public:
    struct Value {
        int type;
        QString text;
    };
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

// Records every start and answers with the queued error numbers (0 = started).
class FakeProcessStarter : public ProcessStarter {
public:
    QList<QStringList> starts;
    std::deque<int> errors;

    int Start(const QStringList& argv) override {
        starts << argv;
        if (errors.empty()) return 0;
        const int error = errors.front();
        errors.pop_front();
        return error;
    }
};

// Installs a fresh fake command store and process starter.
struct BrowserFakes {
    FakeBrowserCommands* commands;
    FakeProcessStarter* starter;

    BrowserFakes() {
        Services& s = Services::Get();
        s.browserCommands = std::make_unique<FakeBrowserCommands>();
        s.processStarter = std::make_unique<FakeProcessStarter>();
        commands = static_cast<FakeBrowserCommands*>(s.browserCommands.get());
        starter = static_cast<FakeProcessStarter*>(s.processStarter.get());
    }
};

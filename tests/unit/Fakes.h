#pragma once

#include "FileDialog.h"
#include "MessageBox.h"
#include "Services.h"

#include <QStringList>
#include <deque>
#include <functional>

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
struct FakeServices {
    FakeMessageBox* messageBox;
    FakeFileDialog* fileDialog;
    FakeClock* clock;

    FakeServices() {
        Services& s = Services::Get();
        s.messageBox = std::make_unique<FakeMessageBox>();
        s.fileDialog = std::make_unique<FakeFileDialog>();
        s.clock = std::make_unique<FakeClock>();
        messageBox = static_cast<FakeMessageBox*>(s.messageBox.get());
        fileDialog = static_cast<FakeFileDialog*>(s.fileDialog.get());
        clock = static_cast<FakeClock*>(s.clock.get());
    }
};

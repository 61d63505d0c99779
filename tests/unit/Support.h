#pragma once

// Fakes of the services, installed afresh by FakeServices; a fixture with a folder of its own.

#include "BrowserCommands.h"
#include "Clipboard.h"
#include "DesktopWindows.h"
#include "Events.h"
#include "FileDialog.h"
#include "Files.h"
#include "FocusWindow.h"
#include "Forms.h"
#include "MessageBox.h"
#include "Pointer.h"
#include "ProcessStarter.h"
#include "ScreenGrabber.h"
#include "Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

// Answers Yes or OK; duringAsk stands for the box's own event loop.
struct FakeMessageBox : MessageBox {
    QStringList prompts;
    std::function<void()> duringAsk;
    int Ask(const QString& prompt, int buttons, const QString&) override {
        prompts << prompt;
        if (duringAsk) duringAsk();
        return buttons == vbYesNo ? vbYes : vbOK;
    }
};
struct FakeFileDialog : FileDialog {  // always cancelled
    QString ShowOpen(const QString&, const QString&) override { return {}; }
    QString ShowSave(const QString&, const QString&) override { return {}; }
};
struct FakeClock : Clock {
    double now = 0;
    double SecondsOfDay() override { return now; }
};
// An activated window gets the focus unless the window manager does not obey.
struct FakeFocusWindow : FocusWindow {
    Info info{0x400001};
    unsigned long lastOther = 0;
    bool obeys = true;
    Info Current() override { return info; }
    unsigned long LastOther() override { return lastOther; }
    void Activate(unsigned long window) override {
        if (obeys) info = {window};
    }
};
// A stack of top-level windows, topmost first; records restores and minimisings.
struct FakeDesktopWindows : DesktopWindows {
    struct Window {
        uint32_t id, style;
        QString title;
        bool vanished = false;  // destroyed as the walk passes it
    };
    static constexpr uint32_t App = WS_VISIBLE | WS_BORDER;
    std::vector<Window> stack;
    std::vector<uint32_t> restored, minimised;
    uint32_t First() override { return stack.empty() ? 0 : stack[0].id; }
    uint32_t Next(uint32_t id) override {
        const Window* w = At(id);
        return w && !w->vanished && w != &stack.back() ? w[1].id : 0;
    }
    uint32_t Style(uint32_t id) override { return At(id) ? At(id)->style : 0; }
    QString Title(uint32_t id) override { return At(id) ? At(id)->title : QString(); }
    void SetTopMost(uint32_t, bool) override {}
    void Restore(uint32_t id) override { restored.push_back(id); }
    bool CanMinimise() override { return true; }
    void Minimise(uint32_t id) override { minimised.push_back(id); }
    void Front(const QString& title) { stack.insert(stack.begin(), {0x1000u + uint32_t(stack.size()), App, title}); }
    const Window* At(uint32_t id) const {
        const auto w = std::ranges::find(stack, id, &Window::id);
        return w == stack.end() ? nullptr : &*w;
    }
};
struct FakeScreenGrabber : ScreenGrabber {  // 800 x 600 pixels of one colour
    QImage Grab(int, int, int width, int height) override {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }
    QList<QRect> monitors{{0, 0, 800, 600}};
    QList<QRect> Monitors() override { return monitors; }
};
struct FakeClipboard : Clipboard {
    ClipboardContent content;
    QImage image;
    int sets = 0;  // pictures put on it
    void SetImage(const QImage& picture) override {
        ++sets;
        image = picture;
        content = {{"image/png", "png"}};
    }
    QImage Image() override { return image; }
    ClipboardContent Save() override { return content; }
    void Restore(const ClipboardContent& saved) override {
        content = saved;
        image = QImage();
    }
};
struct FakePointer : Pointer {
    QPoint at{500, 400};
    QPoint Position() override { return at; }
};
// Keys with the type and text of their default value.
struct FakeBrowserCommands : BrowserCommands {
    std::map<QString, std::pair<int, QString>> keys;
    bool Query(const QString& key, const QString&, int& type, QString& text) override {
        std::tie(type, text) = keys.count(key) ? keys[key] : std::pair(0, QString());
        return keys.count(key);
    }
};
struct FakeProcessStarter : ProcessStarter {
    QList<QStringList> starts;
    int error = 0;  // 0: started
    int Start(const QStringList& argv) override {
        starts << argv;
        return error;
    }
};

template <class Fake, class Base>
Fake* Install(std::shared_ptr<Base>& slot) {
    slot = std::make_shared<Fake>();
    return static_cast<Fake*>(slot.get());
}

struct FakeServices {
    Services& s = Services::Get();
    FakeMessageBox* messageBox = Install<FakeMessageBox>(s.messageBox);
    FakeFileDialog* fileDialog = Install<FakeFileDialog>(s.fileDialog);
    FakeClock* clock = Install<FakeClock>(s.clock);
    FakeFocusWindow* focus = Install<FakeFocusWindow>(s.focusWindow);
    FakeDesktopWindows* desktop = Install<FakeDesktopWindows>(s.desktopWindows);
    FakeScreenGrabber* screen = Install<FakeScreenGrabber>(s.screenGrabber);
    FakeClipboard* clipboard = Install<FakeClipboard>(s.clipboard);
    FakePointer* pointer = Install<FakePointer>(s.pointer);
    FakeBrowserCommands* commands = Install<FakeBrowserCommands>(s.browserCommands);
    FakeProcessStarter* starter = Install<FakeProcessStarter>(s.processStarter);
};

struct InFolder : ::testing::Test, FakeServices {  // its forms are unloaded after the test
    QTemporaryDir dir;
    QString home = QDir::currentPath();
    InFolder() { QDir::setCurrent(dir.path()); }
    ~InFolder() override {
        Forms::UnloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(home);
    }
};

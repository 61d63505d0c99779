#include "Art.h"
#include "Forms.h"
#include "Session.h"
#include "frmMain.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

int signalPipe[2];

void onTerminationSignal(int) {
    const char byte = 1;
    (void)!write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT unload every window, as closing them would, so the tray icon never outlives the program.
void unloadOnTerminationSignals(QApplication& app) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier] {
        char byte;
        (void)!read(signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        Forms::UnloadAll();
        QCoreApplication::quit();
    });
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
}

bool displayReachable() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    // The program's own windows are X11 windows, so that they can be placed where they must be;
    // in a Wayland session they run through XWayland.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (qstrcmp(std::getenv("QT_QPA_PLATFORM"), "xcb") == 0 && !displayReachable()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "pelmora: cannot open the X display \"%s\"; start it on an X11 desktop (DISPLAY must be set).\n",
                     display ? display : "");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // hidden into the tray is not closed
    QApplication::setWindowIcon(art::ProgramIcon());
    StartSession();
    unloadOnTerminationSignals(app);
    Forms::Show<frmMain>();
    return app.exec();
}

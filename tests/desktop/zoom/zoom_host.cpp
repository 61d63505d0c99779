// Shows the magnifier on its own, as the launcher will: the program stays up after the
// magnifier is unloaded (the main window would keep it in the tray), SIGUSR1 unloads
// the magnifier from code (as the demo does) and SIGTERM ends the program.

#include "Forms.h"
#include "Services.h"
#include "SpotZoom.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2];

void onSignal(int signal) {
    const char byte = char(signal);
    (void)!write(signalPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Forms::SetQuitWhenEmpty(false);
    Services::UseReal();

    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return 1;
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [] {
        char signal = 0;
        (void)!read(signalPipe[0], &signal, 1);
        if (signal == SIGUSR1) {
            Forms::Unload<SpotZoom>();
        } else {
            Forms::UnloadAll();
            QCoreApplication::quit();
        }
    });
    std::signal(SIGUSR1, onSignal);
    std::signal(SIGTERM, onSignal);

    Forms::Show<SpotZoom>();
    return app.exec();
}

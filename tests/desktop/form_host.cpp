// Shows one tool of the program on its own, as the launcher does: form_host navi|pass|zoom.
// The host ends with the notes window or the notebook; it outlives the magnifier (as the main
// window in the tray would), where SIGUSR1 unloads the magnifier from code (as the demo does)
// and SIGTERM ends the host.
#include "Art.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "Services.h"
#include "SpotZoom.h"

#include <QApplication>
#include <QTimer>
#include <csignal>

namespace {
volatile std::sig_atomic_t signalled = 0;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(art::ProgramIcon());
    Services::UseReal();
    const QString tool = app.arguments().value(1);
    if (tool == "navi") Forms::Show<LumNavi>();
    if (tool == "pass") Forms::Show<LumPass>();
    QTimer poll;  // the signals are handled on the event loop
    if (tool == "zoom") {
        Forms::SetQuitWhenEmpty(false);
        for (int signal : {SIGUSR1, SIGTERM})
            std::signal(signal, [](int s) { signalled = s; });
        poll.callOnTimeout([] {
            if (signalled == SIGUSR1) Forms::Unload<SpotZoom>();
            if (signalled == SIGTERM) {
                Forms::UnloadAll();
                QCoreApplication::quit();
            }
            signalled = 0;
        });
        poll.start(20);
        Forms::Show<SpotZoom>();
    }
    return app.exec();
}

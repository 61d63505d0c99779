// Shows forms of the program on their own, as the launcher does:
//   form_host [about] [help] [navi] [pass] [zoom] [--address text]
// --address replaces the About link's text; each message box's prompt is written to stderr
// ("box: " lines) before the real box shows it. With the magnifier, the host outlives it (as
// the main window in the tray would), SIGUSR1 unloads it from code (as the demo does) and
// SIGTERM ends the host; otherwise it ends with its last form.
#include "Art.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "Services.h"
#include "SpotZoom.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct LoggedMessageBox : QtMessageBox {
    int Ask(const QString& prompt, int buttons, const QString& title) override {
        std::fprintf(stderr, "box: %s\n", prompt.toUtf8().constData());
        std::fflush(stderr);
        return QtMessageBox::Ask(prompt, buttons, title);
    }
};

int signalPipe[2];

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(art::ProgramIcon());
    Services::UseReal();
    Services::Get().messageBox = std::make_unique<LoggedMessageBox>();
    const QStringList args = app.arguments();
    if (args.contains("about")) Forms::Show<frmAbout>();
    if (args.contains("help")) Forms::Show<frmHelp>();
    if (args.contains("navi")) Forms::Show<LumNavi>();
    if (args.contains("pass")) Forms::Show<LumPass>();
    if (const qsizetype at = args.indexOf("--address"); at > 0 && at + 1 < args.size())
        Forms::Get<frmAbout>().lblURL->setText(args[at + 1]);

    QSocketNotifier notifier(socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0 ? signalPipe[0] : -1,
                             QSocketNotifier::Read);
    if (args.contains("zoom")) {
        Forms::SetQuitWhenEmpty(false);
        QObject::connect(&notifier, &QSocketNotifier::activated, [] {
            char signal = 0;
            if (read(signalPipe[0], &signal, 1) == 1 && signal == SIGUSR1) return Forms::Unload<SpotZoom>();
            Forms::UnloadAll();
            QCoreApplication::quit();
        });
        for (int signal : {SIGUSR1, SIGTERM})
            std::signal(signal, [](int s) { (void)!write(signalPipe[1], &s, 1); });
        Forms::Show<SpotZoom>();
    }
    return app.exec();
}

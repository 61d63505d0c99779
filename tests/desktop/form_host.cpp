// Shows forms of the program on their own, as the launcher does:
//   form_host [about] [help] [navi] [pass] [zoom] [--address text]
// --address replaces the About link's text; each message box's prompt is written to stderr
// ("box: " lines) before the real box shows it. With the magnifier the host outlives it (as the
// main window in the tray would), SIGUSR1 unloads it from code (as the demo does) and SIGTERM
// ends the host; otherwise the host ends with its last form.
#include "Art.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "MessageBox.h"
#include "Services.h"
#include "Session.h"
#include "SpotZoom.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

namespace {

struct LoggedMessageBox : QtMessageBox {
    int Ask(const QString& prompt, int buttons, const QString& title) override {
        std::fprintf(stderr, "box: %s\n", prompt.toUtf8().constData());
        std::fflush(stderr);
        return QtMessageBox::Ask(prompt, buttons, title);
    }
};

volatile std::sig_atomic_t signalled = 0;

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(art::ProgramIcon());
    StartSession();
    Services::Get().messageBox = std::make_shared<LoggedMessageBox>();
    const QStringList args = app.arguments();
    if (args.contains("about")) Forms::Show<frmAbout>();
    if (args.contains("help")) Forms::Show<frmHelp>();
    if (args.contains("navi")) Forms::Show<LumNavi>();
    if (args.contains("pass")) Forms::Show<LumPass>();
    if (const qsizetype at = args.indexOf("--address"); at > 0 && at + 1 < args.size())
        Forms::Get<frmAbout>().lblURL->setText(args[at + 1]);
    QTimer poll;  // handled on the event loop
    if (args.contains("zoom")) {
        Forms::SetQuitWhenEmpty(false);
        for (int signal : {SIGUSR1, SIGTERM}) std::signal(signal, [](int s) { signalled = s; });
        poll.callOnTimeout([] {
            if (signalled == SIGUSR1) Forms::Unload<SpotZoom>();
            if (signalled == SIGTERM) Forms::UnloadAll(), QCoreApplication::quit();
            signalled = 0;
        });
        poll.start(20);
        Forms::Show<SpotZoom>();
    }
    return app.exec();
}

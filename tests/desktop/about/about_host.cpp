// Shows the About box and/or the Help window on their own (until the launcher
// shows them): about_host [about] [help] [--address text]. --address replaces the
// About link's text; every message box prompt is also written to stderr, one
// "box: " line each, before the real box shows it.
#include "Art.h"
#include "Forms.h"
#include "Services.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QApplication>
#include <cstdio>

namespace {

class LoggedMessageBox : public QtMessageBox {
public:
    int Ask(const QString& prompt, int buttons, const QString& title) override {
        std::fprintf(stderr, "box: %s\n", prompt.toUtf8().constData());
        std::fflush(stderr);
        return QtMessageBox::Ask(prompt, buttons, title);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(art::ProgramIcon());
    Services::UseReal();
    Services::Get().messageBox = std::make_unique<LoggedMessageBox>();

    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("about"))) Forms::Show<frmAbout>();
    if (args.contains(QStringLiteral("help"))) Forms::Show<frmHelp>();
    const qsizetype address = args.indexOf(QStringLiteral("--address"));
    if (address > 0 && address + 1 < args.size()) Forms::Get<frmAbout>().lblURL->setText(args[address + 1]);
    return app.exec();
}

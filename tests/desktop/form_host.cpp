// Shows one tool of the program on its own: form_host navi|pass|zoom. It ends with the notes
// window or the notebook, and outlives the magnifier, as the main window in the tray would.
#include "Art.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "Services.h"
#include "SpotZoom.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(art::ProgramIcon());
    Services::UseReal();
    const QString tool = app.arguments().value(1);
    if (tool == "navi") Forms::Show<LumNavi>();
    if (tool == "pass") Forms::Show<LumPass>();
    if (tool == "zoom") {
        Forms::SetQuitWhenEmpty(false);
        Forms::Show<SpotZoom>();
    }
    return app.exec();
}

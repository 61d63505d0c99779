// Shows the notes window on its own (until the launcher shows it), in the current folder.
#include "Forms.h"
#include "LumNavi.h"
#include "Services.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Services::UseReal();
    app.setQuitOnLastWindowClosed(false);
    Forms::Show<LumNavi>();
    return app.exec();
}

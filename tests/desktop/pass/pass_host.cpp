// Shows the password notebook on its own (until the launcher shows it).
#include "Forms.h"
#include "LumPass.h"
#include "Services.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Services::UseReal();
    app.setQuitOnLastWindowClosed(false);
    Forms::Show<LumPass>();
    return app.exec();
}

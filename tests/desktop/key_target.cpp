// Two text fields, titled "Key Target" or argv[2], written to the file argv[1] at each change:
// the first's text; once the second has the focus or a text, a tab and it; Enter in it, a line end.
#include <QApplication>
#include <QSaveFile>
#include <QLineEdit>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(argc > 2 ? QString::fromUtf8(argv[2]) : QStringLiteral("Key Target"));
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.resize(400, 80);
    const QString path = QString::fromLocal8Bit(argv[1]);
    bool entered = false;
    const auto save = [&] {
        QString text = first->text();
        if (second->hasFocus() || !second->text().isEmpty()) text += QLatin1Char('\t') + second->text();
        QSaveFile file(path);  // whole, for the test reading it
        file.open(QIODevice::WriteOnly);
        file.write((entered ? text + '\n' : text).toUtf8());
        file.commit();
    };
    QObject::connect(first, &QLineEdit::textChanged, save);
    QObject::connect(second, &QLineEdit::textChanged, save);
    QObject::connect(&app, &QApplication::focusChanged, save);
    QObject::connect(second, &QLineEdit::returnPressed, [&] { entered = true, save(); });
    window.show();
    return app.exec();
}

// A window with one text field that writes its text to a file at every change:
// the target the key sender types into.
#include <QApplication>
#include <QFile>
#include <QLineEdit>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Key Target"));
    field.resize(400, 40);
    const QString path = QString::fromLocal8Bit(argv[1]);
    QObject::connect(&field, &QLineEdit::textChanged, [&](const QString& text) {
        QFile file(path + ".part");
        if (file.open(QIODevice::WriteOnly)) file.write(text.toUtf8());
        file.close();
        QFile::remove(path);
        QFile::rename(path + ".part", path);
    });
    field.show();
    return app.exec();
}

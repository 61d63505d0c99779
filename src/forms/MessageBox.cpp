#include "MessageBox.h"

#include "Forms.h"
#include "Services.h"

#include <QMessageBox>
#include <QPushButton>

QString AppTitle() { return QStringLiteral("Pelmora"); }

int QtMessageBox::Ask(const QString& prompt, int buttons, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt);
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == vbYesNo) {
        box.addButton(QMessageBox::Yes);
        QAbstractButton* no = box.addButton(QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(no);  // Esc and the close box answer No
        return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return vbOK;
}

int MsgBox(const QString& prompt, int buttons, const QString& title) {
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    PauseScope pause;
    return Services::Get().messageBox->Ask(text, buttons, title.isEmpty() ? AppTitle() : title);
}

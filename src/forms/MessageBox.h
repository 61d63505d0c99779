#pragma once

#include <QString>

// Buttons and answers of the program's message boxes.
enum MsgBoxButtons { vbOKOnly = 0, vbYesNo = 4 };
enum MsgBoxAnswers { vbOK = 1, vbYes = 6, vbNo = 7 };

// The title every message box without a title of its own shows.
QString AppTitle();

// A modal message box. Real: QMessageBox; tests: a scripted fake.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual int Ask(const QString& prompt, int buttons, const QString& title) = 0;
};

class QtMessageBox : public MessageBox {
public:
    int Ask(const QString& prompt, int buttons, const QString& title) override;
};

// Shows a message box through the installed service: a CR (or CR LF) in the prompt
// is a line break; an empty title means the application title. The caller is
// paused meanwhile (PauseScope), so its form may be unloaded before it returns.
int MsgBox(const QString& prompt, int buttons = vbOKOnly, const QString& title = {});

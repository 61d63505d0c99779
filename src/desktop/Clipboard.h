#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

// What the clipboard offered at one moment: every format with its data.
using ClipboardContent = QList<QPair<QString, QByteArray>>;

// The system clipboard. Real: QClipboard; tests: a fake.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Empties the clipboard and puts the picture on it as its only item, marked for clipboard
    // managers as not to be recorded.
    virtual void SetImage(const QImage& image) = 0;
    // The picture the clipboard holds now; a null image when it holds none.
    virtual QImage Image() = 0;
    virtual ClipboardContent Save() = 0;
    // Puts saved content back; empty content empties the clipboard.
    virtual void Restore(const ClipboardContent& content) = 0;
};

class QtClipboard : public Clipboard {
public:
    void SetImage(const QImage& image) override;
    QImage Image() override;
    ClipboardContent Save() override;
    void Restore(const ClipboardContent& content) override;
};

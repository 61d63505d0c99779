#pragma once

#include <QString>

// Value types of the command store, numbered as the program has always read them.
enum StoreValueTypes { REG_NONE = 0, REG_SZ = 1 };

// The per-protocol open commands, read under their historical key names
// ("http\shell\open\command", "NetscapeMarkup\shell\open\command").
class BrowserCommands {
public:
    virtual ~BrowserCommands() = default;
    // Reads one value afresh. False when the key does not exist; otherwise the
    // value's type (REG_NONE when the key has no usable value of that name) and text.
    virtual bool Query(const QString& keyPath, const QString& valueName, int& type, QString& text) = 0;
};

// The freedesktop default applications: the key exists when mimeapps.list (or,
// failing that, the associations) names an installed handler for the key's mime
// type; its default value is the handler's Exec line as a command an address can
// follow. Every file is opened, read and closed within the call.
class FreedesktopBrowserCommands : public BrowserCommands {
public:
    bool Query(const QString& keyPath, const QString& valueName, int& type, QString& text) override;
};

namespace freedesktop {

// The mime type a key stands for ("x-scheme-handler/http", "text/html"); empty for other keys.
QString MimeTypeForKey(const QString& keyPath);

// The desktop id of the mime type's default handler, looked up in the standard
// order of the mimeapps.list files, then in the associations; empty when none is installed.
QString DefaultHandler(const QString& mimeType);

// An Exec line (string escapes already undone) as a command: its field codes
// (%f %F %u %U %d %D %n %N %i %c %k %v %m) removed, %% as %, one blank at the end,
// so that the address can follow it directly. Empty when nothing is left.
QString CommandFromExec(const QString& exec);

}  // namespace freedesktop

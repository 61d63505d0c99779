#include "BrowseURL.h"

#include "BrowserCommands.h"
#include "MessageBox.h"
#include "NoteRecord.h"
#include "ProcessStarter.h"
#include "Services.h"

namespace {
const QString Placeholder = QStringLiteral("%1");
}

QString RegGetString(const uint32_t& hInKey, QString subkey, QString valname) {
    QString result;
    // The store holds the classes root only.
    if (hInKey != HKEY_CLASSES_ROOT) return result;
    int type = REG_NONE;
    QString text;
    if (!Services::Get().browserCommands->Query(subkey, valname, type, text) || type != REG_SZ) return result;
    QByteArray bytes;
    if (!noterecord::EncodeText(text, &bytes) || bytes.size() + 1 > kValueBufferBytes) return result;
    // The text is read as a C string: it ends at its first NUL.
    const qsizetype nul = text.indexOf(QChar(0));
    result = nul < 0 ? text : text.left(nul);
    return result;
}

QString ComposeLine(const QString& command, const QString& address) {
    if (command.contains(Placeholder)) return QString(command).replace(Placeholder, address);
    return command + address;
}

QStringList ComposeArguments(const QString& command, const QString& address) {
    bool endsInArgument = false;
    QStringList args = SplitCommandLine(command, &endsInArgument);
    if (command.contains(Placeholder)) {
        for (QString& arg : args) arg.replace(Placeholder, address);
    } else if (endsInArgument) {
        args.last() += address;
    } else {
        args << address;
    }
    return args;
}

void BrowseURL(const QString& address) {
    const uint32_t root = HKEY_CLASSES_ROOT;
    QString command = RegGetString(root, QStringLiteral("http\\shell\\open\\command"), QString());
    if (command == QString())
        command = RegGetString(root, QStringLiteral("NetscapeMarkup\\shell\\open\\command"), QString());
    MsgBox(ComposeLine(command, address), vbOKOnly);
    const int error = Services::Get().processStarter->Start(ComposeArguments(command, address));
    if (error != 0) MsgBox(QString::number(error) + QLatin1Char(' ') + StartErrorDescription(error), vbOKOnly);
}

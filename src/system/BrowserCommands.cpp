#include "BrowserCommands.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>

namespace freedesktop {
namespace {

using Group = QHash<QString, QString>;
using IniFile = QHash<QString, Group>;

const QString DesktopEntry = QStringLiteral("Desktop Entry");

// XDG base directories: unset, empty or relative values fall back to the defaults.
QString baseDir(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : fallback;
}

QStringList baseDirs(const char* variable, const QString& fallback) {
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable(variable).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir)) dirs << dir;
    return dirs.isEmpty() ? fallback.split(QLatin1Char(':')) : dirs;
}

QStringList dataDirs() {
    return QStringList{baseDir("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))} +
           baseDirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

// The groups of a freedesktop key file; a repeated group or key keeps its first
// occurrence, localised keys ("Name[ja]") are kept under their full name.
IniFile readIni(const QString& path) {
    IniFile groups;
    QByteArray bytes;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return groups;
        bytes = file.readAll();
    }
    QString current;
    QSet<QString> seen;
    bool skipping = true;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2);
            skipping = seen.contains(current);
            seen.insert(current);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (skipping || eq <= 0) continue;
        Group& group = groups[current];
        const QString key = line.left(eq).trimmed();
        if (!group.contains(key)) group.insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

QStringList idList(const QString& value) {
    QStringList ids;
    for (const QString& id : value.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!id.trimmed().isEmpty()) ids << id.trimmed();
    return ids;
}

// The string-type escapes of a key file value.
QString unescape(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'), out += value[i];  // left for the Exec quoting rules
        }
    }
    return out;
}

struct MimeAppsFile {
    QString path;
    bool desktopSpecific;
};

// The mimeapps.list files in the order they are consulted.
QList<MimeAppsFile> mimeAppsFiles() {
    QStringList desktops;
    for (const QString& name : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops << name.toLower();
    QStringList dirs{baseDir("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))};
    dirs << baseDirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString& dir : dataDirs()) dirs << dir + QStringLiteral("/applications");
    QList<MimeAppsFile> files;
    for (const QString& dir : dirs) {
        for (const QString& desktop : desktops) files.append({dir + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list"), true});
        files.append({dir + QStringLiteral("/mimeapps.list"), false});
    }
    return files;
}

// The [Desktop Entry] group of an installed, usable application, found in the
// first data directory that has the id; empty when there is none.
Group loadApplication(const QString& desktopId) {
    if (desktopId.contains(QLatin1Char('/')) || !desktopId.endsWith(QStringLiteral(".desktop"))) return {};
    for (const QString& dir : dataDirs()) {
        const QString path = dir + QStringLiteral("/applications/") + desktopId;
        if (!QFile::exists(path)) continue;
        // The first file found decides, even when it hides the application.
        const Group entry = readIni(path).value(DesktopEntry);
        if (entry.value(QStringLiteral("Type")) != QStringLiteral("Application")) return {};
        if (entry.value(QStringLiteral("Hidden")) == QStringLiteral("true")) return {};
        return entry;
    }
    return {};
}

struct Handler {
    QString id;
    Group entry;
};

Handler findHandler(const QString& mimeType) {
    QStringList added, removed;
    for (const MimeAppsFile& file : mimeAppsFiles()) {
        const IniFile ini = readIni(file.path);
        for (const QString& id : idList(ini.value(QStringLiteral("Default Applications")).value(mimeType))) {
            const Group entry = loadApplication(id);
            if (!entry.isEmpty()) return {id, entry};
        }
        if (file.desktopSpecific) continue;
        // Associations of a file are not undone by a removal in a later one.
        for (const QString& id : idList(ini.value(QStringLiteral("Added Associations")).value(mimeType)))
            if (!removed.contains(id) && !added.contains(id)) added << id;
        removed << idList(ini.value(QStringLiteral("Removed Associations")).value(mimeType));
    }
    for (const QString& id : added) {
        const Group entry = loadApplication(id);
        if (!entry.isEmpty()) return {id, entry};
    }
    // Last, the applications that list the type themselves, in directory order.
    QSet<QString> seen;
    for (const QString& dir : dataDirs()) {
        const QStringList names = QDir(dir + QStringLiteral("/applications"))
                                      .entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
        for (const QString& id : names) {
            if (seen.contains(id)) continue;
            seen.insert(id);
            if (removed.contains(id)) continue;
            const Group entry = loadApplication(id);
            if (idList(entry.value(QStringLiteral("MimeType"))).contains(mimeType)) return {id, entry};
        }
    }
    return {};
}

}  // namespace

QString MimeTypeForKey(const QString& keyPath) {
    // Registry key names never cared about letter case.
    if (keyPath.compare(QStringLiteral("http\\shell\\open\\command"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("x-scheme-handler/http");
    if (keyPath.compare(QStringLiteral("NetscapeMarkup\\shell\\open\\command"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("text/html");
    return {};
}

QString DefaultHandler(const QString& mimeType) { return findHandler(mimeType).id; }

QString CommandFromExec(const QString& exec) {
    static const QString codes = QStringLiteral("fFuUdDnNickvm");
    QString out;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] == QLatin1Char('%') && i + 1 < exec.size()) {
            if (exec[i + 1] == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
            if (codes.contains(exec[i + 1])) {
                ++i;
                continue;
            }
        }
        out += exec[i];
    }
    // Blanks left where codes stood go; exactly one ends the command.
    out = out.trimmed();
    return out.isEmpty() ? QString() : out + QLatin1Char(' ');
}

}  // namespace freedesktop

bool FreedesktopBrowserCommands::Query(const QString& keyPath, const QString& valueName, int& type, QString& text) {
    type = REG_NONE;
    text.clear();
    const QString mimeType = freedesktop::MimeTypeForKey(keyPath);
    if (mimeType.isEmpty()) return false;
    const freedesktop::Handler handler = freedesktop::findHandler(mimeType);
    if (handler.id.isEmpty()) return false;
    // The command is the key's default value; it has no named values.
    if (!valueName.isEmpty()) return true;
    const QString command =
        freedesktop::CommandFromExec(freedesktop::unescape(handler.entry.value(QStringLiteral("Exec"))));
    if (command.isEmpty()) return true;
    type = REG_SZ;
    text = command;
    return true;
}

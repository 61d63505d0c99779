#pragma once

// Files of the tests' own, read and written whole.

#include "Records.h"

#include <QFile>
#include <ostream>
#include <sys/stat.h>

// Texts in failure messages as text, not character by character.
inline std::ostream& operator<<(std::ostream& out, const QString& text) { return out << text.toStdString(); }
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text << '"'; }

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
inline mode_t ModeOf(const QString& path) {
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
// Nine records of zero bytes, the records given, zero bytes up to record 33.
inline QByteArray DataFile(const QList<QByteArray>& records) {
    const QByteArray file = QByteArray(9 * 512, '\0') + records.join();
    return file + QByteArray(33 * 512 - file.size(), '\0');
}

#pragma once

#include <QFile>
#include <ostream>
#include <sys/stat.h>

// Lets GoogleTest show texts in failure messages instead of their bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
inline mode_t ModeOf(const QString& path) {
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
// Text left-aligned in a field of the given width, space padded.
inline QByteArray Padded(const QByteArray& text, int width, char fill = ' ') { return text + QByteArray(width - text.size(), fill); }

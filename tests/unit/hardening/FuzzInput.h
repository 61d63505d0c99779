#pragma once

// What the data-file fuzz targets share: an input is a recipe that builds a data file
// (a starting file, then edits at byte offsets or aimed at one field of one record), so
// that random bytes and libFuzzer's mutations alike give files that reach the records
// the program reads. Also the checks of the round trip and a scratch folder in memory.

#include "NoteRecord.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>

namespace fuzz {

constexpr int RecordBytes = noterecord::RecordLength;
constexpr qsizetype NotesStart = 9 * RecordBytes, NotesEnd = 33 * RecordBytes;  // records 10 to 33
constexpr qsizetype MaxFile = 40 * RecordBytes;

[[noreturn]] inline void Fail(const char* what, int record = 0, int field = 0) {
    std::fprintf(stderr, "round trip broken: %s (record %d, field %d)\n", what, record, field);
    std::abort();
}
#define FUZZ_CHECK(condition, ...) \
    do {                           \
        if (!(condition)) fuzz::Fail(#condition, ##__VA_ARGS__); \
    } while (0)

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool more() const { return p_ < end_; }
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    unsigned word() { return byte() | unsigned(byte()) << 8; }
    QByteArray bytes(size_t n) {
        n = std::min<size_t>(n, size_t(end_ - p_));
        QByteArray out(reinterpret_cast<const char*>(p_), qsizetype(n));
        p_ += n;
        return out;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// Bytes that matter to the reader: zero, space, CP932 lead and trail bytes, and others.
inline char Telling(uint8_t pick) {
    static const char kinds[] = {'\0', ' ', 'a', '\x81', '\x9f', '\xe0', '\xfc', '\x40', '\x7f',
                                 '\x80', '\xa0', '\xfd', '\xff', '\t', '\r', '\xb1'};
    return kinds[pick % sizeof kinds];
}

// A file such as the program writes: foreign bytes in records 1 to 9, text in every field
// (Japanese too), spaces after it.
inline QByteArray WrittenFile() {
    QByteArray file(NotesStart, '\0');
    for (qsizetype i = 0; i < file.size(); ++i) file[i] = char(i * 7 + 1);
    QByteArray kanji;
    noterecord::EncodeText(QStringLiteral("設定のメモ"), &kanji);
    for (int k = 0; k < 24; ++k) {
        noterecord::Fields fields;
        for (int f = 0; f < noterecord::FieldCount; ++f) {
            const QByteArray text = (k + f) % 3 == 0 ? kanji : "App " + QByteArray::number(k) + "." + QByteArray::number(f);
            fields[f] = noterecord::PadBytes(text, noterecord::FieldWidth[f]);
        }
        file += noterecord::JoinRecord(fields);
    }
    return file;
}

// Builds the file an input describes. The first byte's low two bits pick the start: an
// empty file, zero bytes, a file as the program writes it, or that with foreign records
// after record 33; its other bits are left to the target.
inline QByteArray BuildFile(Reader& in) {
    QByteArray file;
    switch (in.byte() & 3) {
    case 0: break;
    case 1: file = QByteArray(qsizetype(in.word()) * 3 % MaxFile, '\0'); break;
    case 2: file = WrittenFile(); break;
    case 3: file = WrittenFile() + QByteArray(qsizetype(in.byte()) * 37 + 1, '\x77'); break;
    }
    while (in.more()) {
        const uint8_t op = in.byte();
        const qsizetype at = qsizetype(in.word()) * (MaxFile / 65536 + 1) % MaxFile;
        const auto put = [&](qsizetype offset, const QByteArray& bytes) {
            if (file.size() < offset + bytes.size()) file.append(QByteArray(offset + bytes.size() - file.size(), '\0'));
            std::memcpy(file.data() + offset, bytes.constData(), size_t(bytes.size()));
        };
        switch (op % 5) {
        case 0: file.resize(std::min(at, MaxFile), '\0'); break;  // cut or zero-extend
        case 1: put(at, in.bytes(in.byte() % 64)); break;         // bytes of the input
        case 2: put(at, QByteArray(in.byte(), Telling(op >> 3))); break;
        case 3: {  // one field of a note record: blank, zero-first, padded text, full width, bytes
            const int record = 10 + (op >> 3) % 24, f = in.byte() % noterecord::FieldCount;
            const int width = noterecord::FieldWidth[f];
            const qsizetype offset = qsizetype(record - 1) * RecordBytes + noterecord::FieldOffset[f];
            QByteArray field;
            switch (in.byte() % 6) {
            case 0: field = QByteArray(width, ' '); break;
            case 1: field = QByteArray(1, '\0') + in.bytes(width - 1); break;
            case 2: field = QByteArray(in.byte() % 4, ' ') + in.bytes(in.byte() % width); break;
            case 3: field = QByteArray(width - 1, Telling(in.byte())) + Telling(in.byte()); break;
            case 4: field = in.bytes(width); break;
            case 5: field = QByteArray(width, Telling(in.byte())); break;
            }
            if (field.size() < width) field.append(QByteArray(width - field.size(), ' '));
            put(offset, field.left(width));
            break;
        }
        case 4: put(at, QByteArray(1, Telling(in.byte()))); break;
        }
    }
    return file;
}

// A field as a save with no edits writes it back: left-aligned again without its
// surrounding spaces; one that starts with a zero byte (empty) as blanks.
inline QByteArray Normalised(const QByteArray& field) {
    if (field.isEmpty() || field[0] == '\0') return QByteArray(field.size(), ' ');
    qsizetype begin = 0, end = field.size();
    while (begin < end && field[begin] == ' ') ++begin;
    while (end > begin && field[end - 1] == ' ') --end;
    return field.mid(begin, end - begin) + QByteArray(field.size() - (end - begin), ' ');
}

// A file's bytes with zero bytes past its end, as the readers see them.
inline QByteArray Span(const QByteArray& file, qsizetype from, qsizetype length) {
    QByteArray part = file.mid(from, length);
    return part + QByteArray(length - part.size(), '\0');
}

inline noterecord::Fields FieldsOf(const QByteArray& file, int record) {
    return noterecord::SplitRecord(Span(file, qsizetype(record - 1) * RecordBytes, RecordBytes));
}

// A save never shrinks the file, keeps every byte outside records 10 to 33 and makes
// the file at least 33 records long.
inline void CheckOutsideKept(const QByteArray& before, const QByteArray& after) {
    FUZZ_CHECK(after.size() == std::max<qsizetype>(before.size(), NotesEnd));
    FUZZ_CHECK(after.left(NotesStart) == Span(before, 0, NotesStart));
    FUZZ_CHECK(after.mid(NotesEnd) == before.mid(NotesEnd));
}

// Text that comes back the same after encoding: nothing undecodable, nothing unencodable.
inline bool Clean(const QString& text) {
    QByteArray bytes;
    return !text.contains(QChar(0xFFFD)) && noterecord::EncodeText(text, &bytes);
}

// Bytes that come back byte for byte after decoding and encoding. Clean text may not:
// a character with two CP932 codes (NEC-selected and IBM extensions) is written in the
// code Windows writes it in.
inline bool RoundTrips(const QByteArray& bytes) {
    QByteArray again;
    return noterecord::EncodeText(noterecord::DecodeText(bytes), &again) && again == bytes;
}

// A field whose text, after its leading spaces, starts with a zero byte is read as text;
// written left-aligned it starts with the zero byte and so reads as empty from then on.
inline bool SettlesEmpty(const QByteArray& field) { return !field.isEmpty() && noterecord::TrimField(field).startsWith('\0'); }

inline QByteArray Load(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void Store(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) Fail("scratch write");
}

// A scratch folder, in memory where there is /dev/shm, for the inputs' files.
inline const QString& Scratch() {
    // Never destroyed: the clean-up at exit still needs it.
    static const QString* folder = [] {
        const QByteArray base = QDir("/dev/shm").exists() ? "/dev/shm" : QFile::encodeName(QDir::tempPath());
        QByteArray path = base + "/pelmora-fuzz.XXXXXX";
        if (!::mkdtemp(path.data())) Fail("scratch folder");
        std::atexit([] { QDir(Scratch()).removeRecursively(); });
        return new QString(QFile::decodeName(path));
    }();
    return *folder;
}

}  // namespace fuzz

#pragma once

// What the data-file fuzz targets share: an input is a recipe that builds a data file (a start, then edits at
// byte offsets or aimed at one field of one record), so that random bytes and libFuzzer's mutations alike give
// files that reach the records the program reads; the round-trip checks; a scratch folder in memory.

#include "Files.h"
#include "NoteRecord.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

constexpr qsizetype RecordBytes = noterecord::RecordLength, NotesStart = 9 * RecordBytes, NotesEnd = 33 * RecordBytes,
                    MaxFile = 40 * RecordBytes;  // records 10 to 33 are the notes

[[noreturn]] inline void Fail(const char* what, int record = 0, int field = 0) {
    std::fprintf(stderr, "round trip broken: %s (record %d, field %d)\n", what, record, field);
    std::abort();
}
#define FUZZ_CHECK(condition, ...) ((condition) ? void() : fuzz::Fail(#condition, ##__VA_ARGS__))

struct Reader {
    const uint8_t *p, *end;
    bool more() const { return p < end; }
    uint8_t byte() { return p < end ? *p++ : 0; }
    unsigned word() { return byte() | unsigned(byte()) << 8; }
    QByteArray bytes(size_t n) {
        p += (n = std::min<size_t>(n, size_t(end - p)));
        return QByteArray(reinterpret_cast<const char*>(p - n), qsizetype(n));
    }
};

// Bytes that matter to the reader: zero, space, CP932 lead and trail bytes, and others.
inline char Telling(uint8_t pick) { return "\0 a\x81\x9f\xe0\xfc\x40\x7f\x80\xa0\xfd\xff\t\r\xb1"[pick % 16]; }

// As the program writes a file: foreign bytes in records 1 to 9, text in every field (Japanese too), then spaces.
inline QByteArray WrittenFile() {
    QByteArray file(NotesStart, '\0'), kanji;
    for (qsizetype i = 0; i < file.size(); ++i) file[i] = char(i * 7 + 1);
    noterecord::EncodeText(QStringLiteral("設定のメモ"), &kanji);
    for (int k = 0; k < 24; ++k) {
        noterecord::Fields fields;
        for (int f = 0; f < noterecord::FieldCount; ++f)
            fields[f] = noterecord::PadBytes((k + f) % 3 ? "App " + QByteArray::number(k) + "." + QByteArray::number(f) : kanji,
                                             noterecord::FieldWidth[f]);
        file += noterecord::JoinRecord(fields);
    }
    return file;
}

// The first byte's low two bits pick the start: empty, zero bytes, as written, or that with foreign records
// after record 33; its other bits are left to the target. Then edits until the input ends.
inline QByteArray BuildFile(Reader& in) {
    QByteArray file;
    switch (in.byte() & 3) {
    case 1: file = QByteArray(qsizetype(in.word()) * 3 % MaxFile, '\0'); break;
    case 2: file = WrittenFile(); break;
    case 3: file = WrittenFile() + QByteArray(qsizetype(in.byte()) * 37 + 1, '\x77'); break;
    }
    while (in.more()) {
        const uint8_t op = in.byte();
        const qsizetype at = qsizetype(in.word()) * (MaxFile / 65536 + 1) % MaxFile;
        const auto put = [&](qsizetype offset, const QByteArray& bytes) {
            if (file.size() < offset + bytes.size()) file.resize(offset + bytes.size(), '\0');
            std::memcpy(file.data() + offset, bytes.constData(), size_t(bytes.size()));
        };
        if (op % 5 == 0) file.resize(std::min(at, MaxFile), '\0');  // cut or zero-extend
        if (op % 5 == 1) put(at, in.bytes(in.byte() % 64));
        if (op % 5 == 2) put(at, QByteArray(in.byte(), Telling(op >> 3)));
        if (op % 5 == 4) put(at, QByteArray(1, Telling(in.byte())));
        if (op % 5 == 3) {  // one field of a note record: blank, zero-first, padded text, full width, bytes
            const int record = 10 + (op >> 3) % 24, f = in.byte() % noterecord::FieldCount, width = noterecord::FieldWidth[f];
            QByteArray field;
            switch (in.byte() % 6) {
            case 0: field = QByteArray(width, ' '); break;
            case 1: field = QByteArray(1, '\0') + in.bytes(width - 1); break;
            case 2: field = QByteArray(in.byte() % 4, ' ') + in.bytes(in.byte() % width); break;
            case 3: field = QByteArray(width - 1, Telling(in.byte())) + Telling(in.byte()); break;
            case 4: field = in.bytes(width); break;
            case 5: field = QByteArray(width, Telling(in.byte())); break;
            }
            put((record - 1) * RecordBytes + noterecord::FieldOffset[f], Padded(field.left(width), width));
        }
    }
    return file;
}

// A field as a save with no edits writes it back: left-aligned without its surrounding spaces; empty
// (zero-first) as blanks.
inline QByteArray Normalised(const QByteArray& field) { return Padded(noterecord::TrimField(field), int(field.size())); }

// A file's bytes with zero bytes past its end, as the readers see them.
inline QByteArray Span(const QByteArray& file, qsizetype from, qsizetype length) { return Padded(file.mid(from, length), length, '\0'); }
inline noterecord::Fields FieldsOf(const QByteArray& file, int record) {
    return noterecord::SplitRecord(Span(file, (record - 1) * RecordBytes, RecordBytes));
}

// A save never shrinks the file, keeps every byte outside records 10 to 33, makes it at least 33 records long.
inline void CheckOutsideKept(const QByteArray& before, const QByteArray& after) {
    FUZZ_CHECK(after.size() == std::max(before.size(), NotesEnd));
    FUZZ_CHECK(after.left(NotesStart) == Span(before, 0, NotesStart) && after.mid(NotesEnd) == before.mid(NotesEnd));
}

// Clean text comes back the same: nothing undecodable, nothing unencodable. Bytes may not: a character with two
// CP932 codes (NEC-selected and IBM extensions) is written in the code Windows writes it in.
inline bool Clean(const QString& text) {
    QByteArray bytes;
    return !text.contains(QChar(0xFFFD)) && noterecord::EncodeText(text, &bytes);
}
inline bool RoundTrips(const QByteArray& bytes) {
    QByteArray again;
    return noterecord::EncodeText(noterecord::DecodeText(bytes), &again) && again == bytes;
}

// A field whose text, after its leading spaces, starts with a zero byte is read as text; written left-aligned
// it starts with the zero byte and so reads as empty from then on: a file with one is left out of the second round.
inline bool SettlesEmpty(const QByteArray& field) { return !field.isEmpty() && noterecord::TrimField(field).startsWith('\0'); }
inline bool AnySettlesEmpty(const QByteArray& file) {
    for (int r = 10; r <= 33; ++r)
        for (const QByteArray& field : FieldsOf(file, r))
            if (SettlesEmpty(field)) return true;
    return false;
}

// A scratch folder, in memory where there is /dev/shm; never destroyed, the clean-up at exit needs it.
inline QString Scratch(const char* name) {
    static const QString* folder = [] {
        QByteArray path = (QDir("/dev/shm").exists() ? "/dev/shm" : QFile::encodeName(QDir::tempPath())) + "/pelmora-fuzz.XXXXXX";
        if (!::mkdtemp(path.data())) Fail("scratch folder");
        std::atexit([] { QDir(*folder).removeRecursively(); });
        return new QString(QFile::decodeName(path));
    }();
    return *folder + "/" + name;
}

}  // namespace fuzz

#ifdef PELMORA_FUZZ_DRIVER
// Without libFuzzer: -runs=N random inputs from -seed=S, or replays of saved inputs (FILE...). A failing
// input is saved as fuzz-failure-<seed>-<n> before the target aborts.
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    long runs = 10000, replays = 0;
    std::mt19937_64 random(1);
    std::vector<uint8_t> input;
    std::string name = "1";
    for (int i = 1; i < argc; ++i) {
        if (!std::strncmp(argv[i], "-runs=", 6)) runs = std::atol(argv[i] + 6);
        if (!std::strncmp(argv[i], "-seed=", 6)) random.seed(std::strtoul(argv[i] + 6, nullptr, 10)), name = argv[i] + 6;
        std::ifstream in(argv[i][0] != '-' ? argv[i] : "", std::ios::binary);
        if (in && ++replays) input.assign(std::istreambuf_iterator<char>(in), {}), LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    for (long n = 0; n < runs && !replays; ++n) {
        input.resize(random() % 8 == 0 ? random() % 2048 : random() % 160);  // mostly short recipes
        for (uint8_t& byte : input) byte = uint8_t(random());
        const std::string file = "fuzz-failure-" + name + "-" + std::to_string(n);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(input.data()), long(input.size()));
        LLVMFuzzerTestOneInput(input.data(), input.size());
        std::remove(file.c_str());
    }
    if (!replays) std::printf("%ld inputs from seed %s: no failure\n", runs, name.c_str());
    return 0;
}
#endif

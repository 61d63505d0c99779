// Both data files: any file loads; a save without edits keeps the bytes outside records 10 to 33
// and the fields it does not change, backs up the records as read, and a second save changes
// nothing; a refused save changes no file. An input is a recipe for the file.

#include "Files.h"
#include "NotesFile.h"
#include "PassFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <string>

namespace {

constexpr qsizetype First = 9 * 512, End = 33 * 512, MaxFile = 40 * 512;  // records 10 to 33
constexpr int Offset[] = {0, 100, 150, 168, 186, 486}, Width[] = {100, 50, 18, 18, 300, 26};

std::string current;  // the input running
[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s: %s\n", current.c_str(), what);
    std::abort();
}
#define CHECK(condition) ((condition) ? void() : Fail(#condition))

struct Reader {
    const uint8_t *p, *end;
    uint8_t byte() { return p < end ? *p++ : 0; }
    unsigned word() { return byte() | unsigned(byte()) << 8; }
    QByteArray bytes(size_t n) {
        p += (n = std::min<size_t>(n, size_t(end - p)));
        return QByteArray(reinterpret_cast<const char*>(p - n), qsizetype(n));
    }
};

// Zero, space, CP932 lead and trail bytes, and others.
char Telling(uint8_t pick) { return "\0 a\x81\x9f\xe0\xfc\x40\x7f\x80\xa0\xfd\xff\t\r\xb1"[pick % 16]; }

// Foreign bytes in records 1 to 9, then 24 records full of text.
QByteArray WrittenFile() {
    QByteArray file(First, '\0');
    for (qsizetype i = 0; i < file.size(); ++i) file[i] = char(i * 7 + 1);
    const QByteArray kanji = "\x90\xdd\x92\xe8";  // 設定
    for (int n = 0; n < 240; n += 10) {
        const auto text = [&](int f) { return (n + f) % 3 ? "App " + QByteArray::number(n + f) : kanji; };
        file += Record<QByteArray>({text(0), text(1), text(2), text(3), text(4), text(5)});
    }
    return file;
}

// Empty, zero bytes, written, or written with foreign records after; then edits.
QByteArray BuildFile(Reader& in) {
    const int start = in.byte() & 3;
    QByteArray file = start == 1 ? QByteArray(in.word() * 3 % MaxFile, '\0') : start ? WrittenFile() : "";
    if (start == 3) file += QByteArray(in.byte() * 37 + 1, '\x77');
    while (in.p < in.end) {
        const uint8_t op = in.byte();
        qsizetype at = qsizetype(in.word()) * 5 % MaxFile;
        QByteArray bytes;
        if (op % 5 == 0) file.resize(at, '\0');  // cut or zero-extend
        if (op % 5 == 1) bytes = in.bytes(in.byte() % 64);
        if (op % 5 == 2) bytes = QByteArray(in.byte(), Telling(op >> 3));
        if (op % 5 == 3) bytes = QByteArray(1, Telling(in.byte()));
        if (op % 5 == 4) {  // a field: blank, zero first, after blanks, full, a telling byte last
            const int f = in.byte() % 6, width = Width[f], kind = in.byte() % 5;
            at = (9 + (op >> 3) % 24) * 512 + Offset[f];
            bytes = kind == 0 ? QByteArray(width, ' ')
                  : kind == 1 ? '\0' + in.bytes(width - 1)
                  : kind == 2 ? QByteArray(in.byte() % 4, ' ') + in.bytes(in.byte() % width)
                  : kind == 3 ? in.bytes(width)
                              : QByteArray(width - 1, Telling(in.byte())) + Telling(in.byte());
            bytes = bytes.leftJustified(width, ' ', true);
        }
        if (file.size() < at + bytes.size()) file.resize(at + bytes.size(), '\0');
        file.replace(at, bytes.size(), bytes);
    }
    return file;
}

QByteArray Field(const QByteArray& file, int r, int f) {
    return file.mid((r - 1) * 512 + Offset[f], Width[f]).leftJustified(Width[f], '\0');
}
// What is shown: nothing after a leading zero byte, else the bytes trimmed.
QByteArray Shown(const QByteArray& field) {
    if (field.startsWith('\0')) return {};
    const std::string text = field.toStdString();
    const size_t from = text.find_first_not_of(' '), to = text.find_last_not_of(' ');
    return from == std::string::npos ? "" : QByteArray::fromStdString(text.substr(from, to + 1 - from));
}
QByteArray Normalised(const QByteArray& field) { return Shown(field).leftJustified(field.size(), ' '); }

QString Scratch(const char* name) {  // in memory if it can: each save flushes
    static QTemporaryDir folder((QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath()) + "/pelmora-fuzz-XXXXXX");
    return folder.filePath(name);
}

// A save without edits, of the notes or of entry `saved` (0 for none); false if refused.
bool LoadAndSave(bool notes, int saved, const QString& dat, const QString& bak) {
    QString error;
    NotesFile n;
    PassFile p;
    CHECK(notes ? n.FileToData(dat, &error) : p.Load(dat, &error));
    if (!notes && !p.SavePass(saved, dat, bak, &error)) {
        CHECK(saved > 0 && !p.CheckEntry(saved).isEmpty());  // texts the file cannot keep
        return false;
    }
    QStringList titles, comments;
    for (int k = 1; notes && k <= NotesFile::Notes; ++k) {
        if (n.Title(k).isEmpty()) continue;
        titles << n.Title(k);
        comments << n.Comment(k);
    }
    CHECK(!notes || n.SaveNotes(titles, comments, dat, bak, &error));
    return true;
}

void Check(const QByteArray& before, bool notes, int saved) {
    const QString dat = Scratch("dat"), bak = Scratch("bak");
    QFile::remove(bak);
    CHECK(WriteAll(dat, before));
    if (!LoadAndSave(notes, saved, dat, bak)) {
        CHECK(ReadAll(dat) == before && !QFile::exists(bak));
        return;
    }
    const QByteArray after = ReadAll(dat), backup = ReadAll(bak);
    CHECK(after.size() == std::max(before.size(), End) && backup.size() == End);
    CHECK(after.left(First) == before.left(First).leftJustified(First, '\0') && after.mid(End) == before.mid(End));
    bool settles = false;  // a shown text starting with a zero byte reads as empty once saved
    for (int r = 10; r <= 33; ++r)
        for (int f = 0; f < 6; ++f) {
            const QByteArray was = Field(before, r, f), now = Field(after, r, f);
            settles |= Shown(was).startsWith('\0');
            // The notes back up what they read, the notebook the bytes.
            CHECK(Field(backup, r, f) == (notes ? Normalised(was) : was));
            if (notes && f != 0 && f != 4) CHECK(now == Normalised(was));
            // An empty field stays as it was, but the saved entry's is stored as zero bytes.
            if (!notes && Shown(was).isEmpty())
                CHECK(now == (r - 9 == saved && f < 5 ? QByteArray(was.size(), '\0') : was));
        }
    CHECK(settles || (LoadAndSave(notes, saved, dat, bak) && ReadAll(dat) == after));
}

}  // namespace

// The first byte: bits 0-1 the start, bit 2 notes or passwords, bits 3-7 the entry saved.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, data + size};
    const uint8_t first = size > 0 ? data[0] : 0;
    Check(BuildFile(in), first & 4, (first >> 3) % 25);
    return 0;
}

#ifdef PELMORA_FUZZ_DRIVER
// Without libFuzzer: -runs=N random inputs from -seed=S.
#include <random>

int main(int argc, char** argv) {
    long runs = 10000;
    unsigned long seed = 1;
    for (int i = 1; i < argc; ++i) {
        std::sscanf(argv[i], "-runs=%ld", &runs);
        std::sscanf(argv[i], "-seed=%lu", &seed);
    }
    std::mt19937_64 random(seed);
    std::vector<uint8_t> input;
    for (long n = 0; n < runs; ++n) {
        input.resize(random() % 8 == 0 ? random() % 2048 : random() % 160);  // mostly short recipes
        for (uint8_t& byte : input) byte = uint8_t(random());
        current = "seed " + std::to_string(seed) + ", input " + std::to_string(n);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld inputs from seed %lu: no failure\n", runs, seed);
}
#endif

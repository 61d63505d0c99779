// Fuzz target of the password file: any "palist.dat" loads; a save with no edits keeps every byte outside records
// 10 to 33, never shrinks the file, makes the backup the records as read, writes each field back as read (trimmed
// when it is shown), and a second load and save changes nothing more. A refused save changes no file.

#include "FuzzInput.h"
#include "PassFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzz;
    Reader in{data, data + size};
    const int savedEntry = size > 0 ? (data[0] >> 2) % (PassFile::Entries + 1) : 0;  // the entry the frame shows (0: none)
    const QByteArray before = BuildFile(in);
    const QString dat = Scratch("palist.dat"), bak = Scratch("palist.bak");
    FUZZ_CHECK(WriteAll(dat, before) && (QFile::remove(bak) || !QFile::exists(bak)));
    PassFile pass, again;
    QString error, message;
    FUZZ_CHECK(pass.Load(dat, &error));
    if (!pass.SavePass(savedEntry, dat, bak, &message)) {  // only texts the file cannot hold again, and nothing written
        FUZZ_CHECK(savedEntry > 0 && !pass.CheckEntry(savedEntry).isEmpty() && ReadAll(dat) == before && !QFile::exists(bak));
        return 0;
    }
    const QByteArray after = ReadAll(dat);
    CheckOutsideKept(before, after);
    FUZZ_CHECK(ReadAll(bak).mid(NotesStart) == Span(before, NotesStart, NotesEnd - NotesStart));
    FUZZ_CHECK(again.Load(dat, &error));
    for (int k = 1; k <= PassFile::Entries; ++k) {
        const noterecord::Fields was = FieldsOf(before, 9 + k), now = FieldsOf(after, 9 + k);
        for (int f = 1; f <= PassFile::Fields; ++f) {
            const QString& shown = pass.Data(k, f);
            const QByteArray& field = was[f - 1];
            if (shown.isEmpty())  // kept byte for byte, but the saved entry's edited fields are stored empty
                FUZZ_CHECK(now[f - 1] == (k == savedEntry && f <= 5 ? QByteArray(field.size(), '\0') : field), 9 + k, f);
            else if (RoundTrips(noterecord::TrimField(field)))
                FUZZ_CHECK(now[f - 1] == Normalised(field), 9 + k, f);
            if (!shown.isEmpty() && Clean(shown) && !SettlesEmpty(field)) FUZZ_CHECK(again.Data(k, f) == shown, 9 + k, f);
        }
    }
    if (AnySettlesEmpty(before)) return 0;
    FUZZ_CHECK(again.SavePass(savedEntry, dat, bak, &message));
    FUZZ_CHECK(ReadAll(dat) == after && ReadAll(bak).mid(NotesStart) == after.mid(NotesStart, NotesEnd - NotesStart));
    return 0;
}

// Fuzz target of the password file: any "palist.dat" loads; saving it with no edits keeps
// every byte outside records 10 to 33, never shrinks the file, makes the backup the
// records as read, writes each field back as read (trimmed when it is shown), and a
// second load and save changes nothing more. A refused save changes no file.

#include "FuzzInput.h"
#include "PassFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzz;
    Reader in(data, size);
    // The entry the setup frame shows when the user saves without changing it (0: none).
    const int savedEntry = size > 0 ? (data[0] >> 2) % (PassFile::Entries + 1) : 0;
    const QByteArray before = BuildFile(in);
    const QString dat = Scratch() + "/palist.dat", bak = Scratch() + "/palist.bak";
    Store(dat, before);
    QFile::remove(bak);

    PassFile pass;
    QString error, message;
    FUZZ_CHECK(pass.Load(dat, &error));
    if (!pass.SavePass(savedEntry, dat, bak, &message)) {
        // Only texts the file cannot hold again are refused, and then nothing is written.
        FUZZ_CHECK(savedEntry > 0 && !pass.CheckEntry(savedEntry).isEmpty());
        FUZZ_CHECK(Load(dat) == before && !QFile::exists(bak));
        return 0;
    }
    const QByteArray after = Load(dat), backup = Load(bak);
    CheckOutsideKept(before, after);
    FUZZ_CHECK(backup.mid(NotesStart) == Span(before, NotesStart, NotesEnd - NotesStart));

    PassFile again;
    FUZZ_CHECK(again.Load(dat, &error));
    for (int k = 1; k <= PassFile::Entries; ++k) {
        const noterecord::Fields was = FieldsOf(before, 9 + k), now = FieldsOf(after, 9 + k);
        for (int f = 1; f <= PassFile::Fields; ++f) {
            const QString& shown = pass.Data(k, f);
            if (shown.isEmpty()) {
                // Not shown: kept byte for byte, but the saved entry's edited fields are stored empty.
                const bool emptied = k == savedEntry && f <= 5;
                FUZZ_CHECK(now[f - 1] == (emptied ? QByteArray(was[f - 1].size(), '\0') : was[f - 1]), 9 + k, f);
            } else {
                if (RoundTrips(noterecord::TrimField(was[f - 1])))
                    FUZZ_CHECK(now[f - 1] == Normalised(was[f - 1]), 9 + k, f);
                if (Clean(shown) && !SettlesEmpty(was[f - 1])) FUZZ_CHECK(again.Data(k, f) == shown, 9 + k, f);
            }
        }
    }
    // A field that reads as empty only from now on may be stored differently once more.
    for (int r = 10; r <= 33; ++r)
        for (const QByteArray& field : FieldsOf(before, r))
            if (SettlesEmpty(field)) return 0;
    FUZZ_CHECK(again.SavePass(savedEntry, dat, bak, &message));
    FUZZ_CHECK(Load(dat) == after);
    FUZZ_CHECK(Load(bak).mid(NotesStart) == after.mid(NotesStart, NotesEnd - NotesStart));
    return 0;
}

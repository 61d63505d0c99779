// Fuzz target of the notes file: any "navilist.dat" loads; a save with no edits (the lists as the window fills
// them) keeps every byte outside records 10 to 33, never shrinks the file, makes the backup the records as read,
// writes the fields the notes do not use back as read, and a second load and save changes nothing more.

#include "FuzzInput.h"
#include "NotesFile.h"

#include <QStringList>

// As the notes window fills its lists: notes with a title, in file order.
static std::pair<QStringList, QStringList> ListsOf(const NotesFile& notes) {
    std::pair<QStringList, QStringList> lists;
    for (int k = 1; k <= NotesFile::Notes; ++k)
        if (!notes.Title(k).isEmpty()) lists.first << notes.Title(k), lists.second << notes.Comment(k);
    return lists;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzz;
    Reader in{data, data + size};
    const bool oldBackup = size > 0 && (data[0] & 0x80);  // a backup from some earlier day, or none yet
    const QByteArray before = BuildFile(in), backupBefore = oldBackup ? before.mid(before.size() / 3) : QByteArray();
    const QString dat = Scratch("navilist.dat"), bak = Scratch("navilist.bak");
    FUZZ_CHECK(WriteAll(dat, before) && (QFile::remove(bak) || !QFile::exists(bak)) && (!oldBackup || WriteAll(bak, backupBefore)));
    NotesFile notes, again;
    QString error, message;
    FUZZ_CHECK(notes.FileToData(dat, &error));
    const auto [titles, comments] = ListsOf(notes);
    FUZZ_CHECK(notes.SaveNotes(titles, comments, dat, bak, &message));
    const QByteArray after = ReadAll(dat), backup = ReadAll(bak);
    CheckOutsideKept(before, after);
    CheckOutsideKept(backupBefore, backup);
    for (int r = 10; r <= 33; ++r) {
        const noterecord::Fields was = FieldsOf(before, r), now = FieldsOf(after, r), saved = FieldsOf(backup, r);
        for (int f = 0; f < noterecord::FieldCount; ++f) {
            FUZZ_CHECK(saved[f] == Normalised(was[f]), r, f + 1);
            if (f != 0 && f != 4) FUZZ_CHECK(now[f] == Normalised(was[f]), r, f + 1);  // not the title or the comment
        }
    }
    // Read back, every note is there with its text, unless the file held bytes that are no text (those come
    // back as '?'); a field that reads as empty only from now on moves notes up.
    if (AnySettlesEmpty(before)) return 0;
    FUZZ_CHECK(again.FileToData(dat, &error));
    const auto [titles2, comments2] = ListsOf(again);
    FUZZ_CHECK(titles2.size() == titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        if (Clean(titles[i])) FUZZ_CHECK(titles2[i] == titles[i], 10 + i, 1);
        if (Clean(comments[i])) FUZZ_CHECK(comments2[i] == comments[i], 10 + i, 5);
    }
    FUZZ_CHECK(again.SaveNotes(titles2, comments2, dat, bak, &message));
    FUZZ_CHECK(ReadAll(dat) == after && ReadAll(bak).mid(NotesStart, NotesEnd - NotesStart) == after.mid(NotesStart, NotesEnd - NotesStart));
    return 0;
}

// Fuzz target of the notes file: any "navilist.dat" loads; saving it with no edits (the
// lists as the window fills them) keeps every byte outside records 10 to 33, never
// shrinks the file, writes the unused fields back as they were read, and a second load
// and save changes nothing more.

#include "FuzzInput.h"
#include "NotesFile.h"

#include <QStringList>

namespace {

struct Lists {
    QStringList titles, comments;
};

// As the notes window fills its lists: notes with a title, in file order.
Lists ListsOf(const NotesFile& notes) {
    Lists lists;
    for (int k = 1; k <= NotesFile::Notes; ++k)
        if (!notes.Title(k).isEmpty()) {
            lists.titles << notes.Title(k);
            lists.comments << notes.Comment(k);
        }
    return lists;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzz;
    constexpr int Title = 0, Comment = 4;
    Reader in(data, size);
    const bool oldBackup = size > 0 && (data[0] & 0x80);
    const QByteArray before = BuildFile(in);
    const QString dat = Scratch() + "/navilist.dat", bak = Scratch() + "/navilist.bak";
    Store(dat, before);
    // A backup from some earlier day, or none yet.
    const QByteArray backupBefore = oldBackup ? before.mid(before.size() / 3) : QByteArray();
    QFile::remove(bak);
    if (oldBackup) Store(bak, backupBefore);

    NotesFile notes;
    QString error, message;
    FUZZ_CHECK(notes.FileToData(dat, &error));
    const Lists lists = ListsOf(notes);
    FUZZ_CHECK(notes.SaveNotes(lists.titles, lists.comments, dat, bak, &message));
    const QByteArray after = Load(dat), backup = Load(bak);
    CheckOutsideKept(before, after);
    CheckOutsideKept(backupBefore, backup);

    for (int r = 10; r <= 33; ++r) {
        const noterecord::Fields was = FieldsOf(before, r), now = FieldsOf(after, r), saved = FieldsOf(backup, r);
        for (int f = 0; f < noterecord::FieldCount; ++f) {
            // The backup is the state as loaded; fields the notes do not use stay with their record.
            FUZZ_CHECK(saved[f] == Normalised(was[f]), r, f + 1);
            if (f != Title && f != Comment) FUZZ_CHECK(now[f] == Normalised(was[f]), r, f + 1);
        }
    }

    // Read back, every note is there with its text, unless the file held bytes that are
    // no text (those come back as '?'). A field that reads as empty only from now on moves
    // notes up; such a file is left out of the rest.
    for (int r = 10; r <= 33; ++r)
        for (const QByteArray& field : FieldsOf(before, r))
            if (SettlesEmpty(field)) return 0;
    NotesFile again;
    FUZZ_CHECK(again.FileToData(dat, &error));
    const Lists reread = ListsOf(again);
    FUZZ_CHECK(reread.titles.size() == lists.titles.size());
    for (int i = 0; i < lists.titles.size(); ++i) {
        if (Clean(lists.titles[i])) FUZZ_CHECK(reread.titles[i] == lists.titles[i], 10 + i, Title + 1);
        if (Clean(lists.comments[i])) FUZZ_CHECK(reread.comments[i] == lists.comments[i], 10 + i, Comment + 1);
    }
    FUZZ_CHECK(again.SaveNotes(reread.titles, reread.comments, dat, bak, &message));
    FUZZ_CHECK(Load(dat) == after);
    FUZZ_CHECK(Load(bak).mid(NotesStart, NotesEnd - NotesStart) == after.mid(NotesStart, NotesEnd - NotesStart));
    return 0;
}

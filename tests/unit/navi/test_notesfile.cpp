#include "Files.h"
#include "NaviMod.h"
#include "NaviFakes.h"
#include "NotesFile.h"
#include "Services.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Blank(int bytes = 512) { return QByteArray(bytes, ' '); }

// A note record as the program writes it: title and comment, fields 2, 3, 4 and 6 given.
QByteArray Note(const QByteArray& title, const QByteArray& comment, const QByteArray& f2 = {},
                const QByteArray& f3 = {}, const QByteArray& f4 = {}, const QByteArray& f6 = {}) {
    return Padded(title, 100) + Padded(f2, 50) + Padded(f3, 18) + Padded(f4, 18) + Padded(comment, 300) +
           Padded(f6, 26);
}

QByteArray Record(const QByteArray& file, int r) { return file.mid((r - 1) * 512, 512); }

struct Folder {
    QTemporaryDir dir;
    QString dat() const { return dir.filePath("navilist.dat"); }
    QString bak() const { return dir.filePath("navilist.bak"); }
};

}  // namespace

TEST(NotesFile, FirstNoteInAnEmptyFolderWritesBothFilesInFull) {
    Folder folder;
    NotesFile notes;
    QString error;
    ASSERT_TRUE(notes.FileToData(folder.dat(), &error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(folder.dat()));
    EXPECT_EQ(ModeOf(folder.dat()), noterecord::DefaultFileMode());
    QString message;
    ASSERT_TRUE(notes.SaveNotes({"Calc"}, {"メモ"}, folder.dat(), folder.bak(), &message)) << message.toStdString();

    const QByteArray dat = ReadAll(folder.dat()), bak = ReadAll(folder.bak());
    ASSERT_EQ(dat.size(), 16896);
    ASSERT_EQ(bak.size(), 16896);
    EXPECT_EQ(dat.left(4608), QByteArray(4608, '\0'));
    EXPECT_EQ(bak.left(4608), QByteArray(4608, '\0'));
    EXPECT_EQ(Record(dat, 10), Note("Calc", "\x83\x81\x83\x82"));  // CP932 bytes of the comment
    for (int r = 11; r <= 33; ++r) EXPECT_EQ(Record(dat, r), Blank()) << r;
    for (int r = 10; r <= 33; ++r) EXPECT_EQ(Record(bak, r), Blank()) << r;
}

TEST(NotesFile, RemovingANoteMovesLaterOnesUpAndKeepsEverythingElse) {
    Folder folder;
    QByteArray file(4608, 'R');  // records 1 to 9: something of another program's
    file += Note("  One", "first", " x2", "x3", "", "x6");
    file += Note("Two", "second", "y2");
    file += QByteArray(100, '\0') + Padded("z2", 50) + QByteArray(36, '\0') + Padded("orphan comment", 300) +
            QByteArray(26, '\0');  // no title: skipped, its field 2 starts with text
    file += Note("Three", "third");
    for (int r = 14; r <= 33; ++r) file += QByteArray(512, '\0');
    file += "past the last note";
    ASSERT_TRUE(WriteAll(folder.dat(), file));

    NotesFile notes;
    QString error, message;
    ASSERT_TRUE(notes.FileToData(folder.dat(), &error));
    EXPECT_EQ(notes.Title(1), "One");  // leading blanks trimmed
    EXPECT_EQ(notes.Title(3), "");
    EXPECT_EQ(notes.Title(4), "Three");
    EXPECT_EQ(notes.Comment(4), "third");
    // The window's lists hold One, Two, Three; the second is removed.
    ASSERT_TRUE(notes.SaveNotes({"One", "Three"}, {"first", "third"}, folder.dat(), folder.bak(), &message));

    const QByteArray dat = ReadAll(folder.dat()), bak = ReadAll(folder.bak());
    EXPECT_EQ(dat.left(4608), file.left(4608));
    EXPECT_EQ(dat.mid(33 * 512), "past the last note");
    // Fields 2, 3, 4 and 6 stay with their record, left-aligned; a zero-byte field comes back blank.
    EXPECT_EQ(Record(dat, 10), Note("One", "first", "x2", "x3", "", "x6"));
    EXPECT_EQ(Record(dat, 11), Note("Three", "third", "y2"));
    EXPECT_EQ(Record(dat, 12), Note("", "", "z2"));
    EXPECT_EQ(Record(dat, 13), Blank());
    // The backup is the previous generation as it was loaded.
    EXPECT_EQ(Record(bak, 11), Note("Two", "second", "y2"));
    EXPECT_EQ(Record(bak, 12), Note("", "orphan comment", "z2"));
}

TEST(NotesFile, AFailedLoadKeepsSavingRefused) {
    Folder folder;
    QString error, message;
    // A folder in the place of the data file cannot be read as the file.
    ASSERT_TRUE(QDir(folder.dir.path()).mkdir("navilist.dat"));
    ASSERT_TRUE(WriteAll(folder.bak(), "old backup"));
    NotesFile notes;
    EXPECT_FALSE(notes.FileToData(folder.dat(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(notes.SaveNotes({"App"}, {"note"}, folder.dat(), folder.bak(), &message));
    EXPECT_EQ(message, NotesFile::NotLoadedMessage());
    EXPECT_EQ(ReadAll(folder.bak()), "old backup");
}

TEST(NotesFile, RefusesNotesThatCouldNotBeFoundAgain) {
    EXPECT_TRUE(NotesFile::CheckNote(QString(100, 'a'), QString(300, 'b')).isEmpty());
    EXPECT_TRUE(NotesFile::CheckNote(QString(50, u'漢'), QString()).isEmpty());  // 100 bytes in CP932
    EXPECT_TRUE(NotesFile::CheckNote(QString(101, 'a'), "x").startsWith("The window title is too long"));
    EXPECT_TRUE(NotesFile::CheckNote(QString(50, u'漢') + "a", "x").startsWith("The window title is too long"));
    EXPECT_TRUE(NotesFile::CheckNote("x", QString(301, 'b')).startsWith("The comment is too long"));
    EXPECT_TRUE(NotesFile::CheckNote("Café — notes", "x").startsWith("The window title holds characters"));
    EXPECT_TRUE(NotesFile::CheckNote("x", QString::fromUtf8("ok \xF0\x9F\x98\x80")).startsWith("The comment holds"));
}

TEST(FrontTask, TakesTheHighestVisibleBorderedTitledWindowThatIsNotOurs) {
    auto desktop = std::make_unique<FakeDesktopWindows>();
    FakeDesktopWindows& d = *desktop;
    Services::Get().desktopWindows = std::move(desktop);
    const uint32_t own = 0x77;
    d.stack = {{own, FakeDesktopWindows::App, "Notes: Mail"},  // the notes window on top
               {0x10, WS_VISIBLE, "Tooltip"},                    // no border
               {0x11, WS_BORDER, "Hidden"},                      // not visible
               {0x12, FakeDesktopWindows::App, ""},              // no title
               {0x13, FakeDesktopWindows::App, "Mail"},
               {0x14, FakeDesktopWindows::App, "Below"}};
    int ownReads = 0;
    const auto ownHandle = [&] { ++ownReads; return own; };
    EXPECT_EQ(FrontTaskTitle(ownHandle), "Mail");
    EXPECT_EQ(d.titleReads, 2);  // titles only of task windows other than ours
    EXPECT_GE(ownReads, 2);      // read afresh as the walk goes on

    d.stack[3].vanished = true;  // destroyed while the walk passes it
    EXPECT_EQ(FrontTaskTitle(ownHandle), "");
    d.stack = {{0x20, WS_VISIBLE, "Desktop"}};
    EXPECT_EQ(FrontTaskTitle(ownHandle), "");
    Services::Get().desktopWindows.reset();
}

TEST(FrontTask, MatchesExactlyTheLastOfTheFirst24Titles) {
    QStringList titles{"Mail", "mail", "Mail ", "Mail", "Other"};
    EXPECT_EQ(MatchTitle(titles, "Mail"), 4);
    EXPECT_EQ(MatchTitle(titles, "mail"), 2);
    EXPECT_EQ(MatchTitle(titles, "Mai"), 0);
    EXPECT_EQ(MatchTitle(titles, ""), 0);
    titles = QStringList(24, "x") << "Late";
    EXPECT_EQ(MatchTitle(titles, "Late"), 0);
    EXPECT_EQ(MatchTitle(titles, "x"), 24);
    EXPECT_EQ(MatchTitle({"", "App"}, ""), 0);
}

// CP932 gives these characters back as others; a note for a window whose title holds one
// (every Firefox title ends in " — Mozilla Firefox") must still match after a reload.
TEST(FrontTask, MatchesTitlesAsTheFileStoresThem) {
    const struct {
        const char* title;
        const char* readBack;
    } cases[] = {{"Page — Mozilla Firefox", "Page ― Mozilla Firefox"}, {"A〜B", "A～B"}, {"1 − 2", "1 － 2"},
                 {"¢£¬‖", "￠￡￢∥"}, {"ログイン", "ログイン"}, {"plain", "plain"}};
    for (const auto& c : cases) {
        const QString title = QString::fromUtf8(c.title);
        EXPECT_EQ(noterecord::ReadBack(title), QString::fromUtf8(c.readBack)) << c.title;
        EXPECT_EQ(MatchTitle({noterecord::ReadBack(title)}, title), 1) << c.title;
        EXPECT_TRUE(NotesFile::CheckNote(title, title).isEmpty()) << c.title;
    }
    // The file keeps no blanks at either end, so the main window's caption finds its note.
    EXPECT_EQ(MatchTitle({"Pelmora - Utility for Windows"}, "Pelmora - Utility for Windows "), 1);
    EXPECT_EQ(MatchTitle({"Café"}, "Caf?"), 0);  // a title with no CP932 form matches nothing
}


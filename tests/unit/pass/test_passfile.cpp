#include "Files.h"
#include "NoteRecord.h"
#include "PassFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Record 10 as entry 1 of a first save: five texts padded with spaces, field 6 zero.
QByteArray GoldenEntry1() {
    return Padded("Mail", 100) + Padded("alice", 50) + Padded("Tab", 18) + Padded("Enter", 18) +
           Padded("s3cret", 300) + QByteArray(26, '\0');
}

struct Folder {
    QTemporaryDir dir;
    QString dat() const { return dir.filePath("palist.dat"); }
    QString bak() const { return dir.filePath("palist.bak"); }
};

void SetEntry(PassFile& p, int k, const QString& app, const QString& login, const QString& keyLog,
              const QString& keyPass, const QString& password) {
    p.Data(k, 1) = app;
    p.Data(k, 2) = login;
    p.Data(k, 3) = keyLog;
    p.Data(k, 4) = keyPass;
    p.Data(k, 5) = password;
}

}  // namespace

TEST(NoteRecord, CodecKeepsFieldLayoutAndCp932Widths) {
    noterecord::Fields fields;
    for (int f = 0; f < 6; ++f) fields[f] = QByteArray(noterecord::FieldWidth[f], char('a' + f));
    const QByteArray record = noterecord::JoinRecord(fields);
    ASSERT_EQ(record.size(), 512);
    EXPECT_EQ(record.mid(99, 2), "ab");
    EXPECT_EQ(record.mid(149, 2), "bc");
    EXPECT_EQ(record.mid(167, 2), "cd");
    EXPECT_EQ(record.mid(185, 2), "de");
    EXPECT_EQ(record.mid(485, 2), "ef");
    EXPECT_EQ(noterecord::SplitRecord(record), fields);
    EXPECT_EQ(noterecord::SplitRecord("xy")[0], QByteArray("xy") + QByteArray(98, '\0'));

    // Japanese text in Shift-JIS, counted in bytes.
    QByteArray bytes;
    ASSERT_TRUE(noterecord::EncodeText(QStringLiteral("設定"), &bytes));
    EXPECT_EQ(bytes, QByteArray("\x90\xdd\x92\xe8"));
    EXPECT_EQ(noterecord::DecodeText(bytes), QStringLiteral("設定"));
    EXPECT_EQ(noterecord::CheckField(QString(25, QChar(0x3042)), 50), noterecord::Fit::Fits);
    EXPECT_EQ(noterecord::CheckField(QString(26, QChar(0x3042)), 50), noterecord::Fit::TooLong);
    EXPECT_EQ(noterecord::CheckField(QStringLiteral("😀"), 50), noterecord::Fit::NotEncodable);

    // A double-byte character that would straddle the end is left out, not split.
    EXPECT_EQ(noterecord::PadField(QStringLiteral("a設定"), 4), QByteArray("a\x90\xdd "));
    EXPECT_EQ(noterecord::PadField(QStringLiteral("ab"), 5), QByteArray("ab   "));
    // A field ending inside a double-byte character decodes what is there.
    EXPECT_EQ(noterecord::DecodeText("ab\x90"), QStringLiteral("ab\uFFFD"));
}

TEST(NoteRecord, WriterPatchesOnlyItsRecordsKeepsModeAndLeavesNoTemporaryFile) {
    Folder folder;
    const QString path = folder.dir.filePath("notes.dat");
    QByteArray old(40 * 512, '\0');
    for (int i = 0; i < old.size(); ++i) old[i] = char(i * 7 + 1);
    ASSERT_TRUE(WriteAll(path, old));
    ::chmod(QFile::encodeName(path).constData(), 0640);

    QString error;
    ASSERT_TRUE(noterecord::WriteRecords(path, 10, {QByteArray(512, 'x'), QByteArray("short")}, 0600, &error))
        << error.toStdString();
    const QByteArray now = ReadAll(path);
    ASSERT_EQ(now.size(), old.size());
    EXPECT_EQ(now.left(9 * 512), old.left(9 * 512));
    EXPECT_EQ(now.mid(9 * 512, 512), QByteArray(512, 'x'));
    EXPECT_EQ(now.mid(10 * 512, 512), QByteArray("short") + QByteArray(507, '\0'));
    EXPECT_EQ(now.mid(11 * 512), old.mid(11 * 512));
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(QDir(folder.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes.dat"});

    // A folder that cannot be written: the old file stays as it was.
    ::chmod(QFile::encodeName(folder.dir.path()).constData(), 0500);
    if (::geteuid() != 0) {
        EXPECT_FALSE(noterecord::WriteRecords(path, 10, {QByteArray(512, 'y')}, 0600, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(ReadAll(path), now);
    }
    ::chmod(QFile::encodeName(folder.dir.path()).constData(), 0700);
}

TEST(PassFile, FirstStartAndFirstSaveGiveTheGoldenBytes) {
    Folder folder;
    PassFile p;
    QString error;
    ASSERT_TRUE(p.Load(folder.dat(), &error)) << error.toStdString();
    EXPECT_TRUE(QFile::exists(folder.dat()));
    EXPECT_EQ(ReadAll(folder.dat()).size(), 0);
    EXPECT_EQ(ModeOf(folder.dat()), 0600u);
    for (int k = 1; k <= 24; ++k)
        for (int f = 1; f <= 6; ++f) EXPECT_TRUE(p.Data(k, f).isEmpty());

    SetEntry(p, 1, "Mail", "alice", "Tab", "Enter", "s3cret");
    QString message;
    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message)) << message.toStdString();

    const QByteArray dat = ReadAll(folder.dat()), bak = ReadAll(folder.bak());
    ASSERT_EQ(dat.size(), 16896);
    ASSERT_EQ(bak.size(), 16896);
    EXPECT_EQ(bak, QByteArray(16896, '\0'));
    EXPECT_EQ(dat.left(9 * 512), QByteArray(9 * 512, '\0'));
    EXPECT_EQ(dat.mid(9 * 512, 512), GoldenEntry1());
    EXPECT_EQ(dat.mid(10 * 512), QByteArray(23 * 512, '\0'));
    EXPECT_EQ(ModeOf(folder.bak()), 0600u);
    EXPECT_EQ(ModeOf(folder.dat()), 0600u);

    // Loading again gives entry 1 back without padding and 23 empty entries.
    PassFile again;
    ASSERT_TRUE(again.Load(folder.dat(), &error));
    EXPECT_EQ(again.Data(1, 1), "Mail");
    EXPECT_EQ(again.Data(1, 2), "alice");
    EXPECT_EQ(again.Data(1, 3), "Tab");
    EXPECT_EQ(again.Data(1, 4), "Enter");
    EXPECT_EQ(again.Data(1, 5), "s3cret");
    EXPECT_EQ(again.Data(1, 6), "");
    EXPECT_EQ(again.Data(2, 1), "");

    // A second save without changes keeps the data file and copies it to the backup.
    ASSERT_TRUE(again.SavePass(1, folder.dat(), folder.bak(), &message));
    EXPECT_EQ(ReadAll(folder.dat()), dat);
    EXPECT_EQ(ReadAll(folder.bak()), dat);
}

TEST(PassFile, KeepsForeignBytesAndTheModeOfAnExistingFile) {
    Folder folder;
    QByteArray old(36 * 512, '\0');
    for (int i = 0; i < old.size(); ++i) old[i] = char('A' + i % 26);
    // Entry 2: blanks around the texts; entry 3: empty application name, other texts set.
    QByteArray record11 = Padded("  Bank  ", 100) + Padded(" bob", 50) + Padded("Enter", 18) + Padded("Tab", 18) +
                          Padded("pw", 300) + Padded("extra", 26);
    QByteArray record12 = QByteArray(100, '\0') + Padded("carol", 50) + QByteArray(362, '\0');
    old.replace(10 * 512, 512, record11);
    old.replace(11 * 512, 512, record12);
    ASSERT_TRUE(WriteAll(folder.dat(), old));
    ::chmod(QFile::encodeName(folder.dat()).constData(), 0644);

    PassFile p;
    QString error, message;
    ASSERT_TRUE(p.Load(folder.dat(), &error));
    EXPECT_EQ(p.Data(2, 1), "Bank");
    EXPECT_EQ(p.Data(2, 2), "bob");
    EXPECT_EQ(p.Data(2, 6), "extra");
    EXPECT_EQ(p.Data(3, 1), "");
    EXPECT_EQ(p.Data(3, 2), "carol");

    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message)) << message.toStdString();
    const QByteArray dat = ReadAll(folder.dat());
    ASSERT_EQ(dat.size(), old.size());
    EXPECT_EQ(dat.left(9 * 512), old.left(9 * 512));
    EXPECT_EQ(dat.mid(33 * 512), old.mid(33 * 512));
    EXPECT_EQ(dat.mid(10 * 512, 512),
              Padded("Bank", 100) + Padded("bob", 50) + Padded("Enter", 18) + Padded("Tab", 18) + Padded("pw", 300) +
                  Padded("extra", 26));
    // Zero-byte fields are written back as zero bytes.
    EXPECT_EQ(dat.mid(11 * 512, 100), QByteArray(100, '\0'));
    EXPECT_EQ(dat.mid(11 * 512 + 150, 362), QByteArray(362, '\0'));
    EXPECT_EQ(ModeOf(folder.dat()), 0644u);
    EXPECT_EQ(ReadAll(folder.bak()).mid(9 * 512, 24 * 512), old.mid(9 * 512, 24 * 512));
}

TEST(PassFile, MergeRulesForTheSavedEntryAndTheOthers) {
    Folder folder;
    PassFile p;
    QString error, message;
    ASSERT_TRUE(p.Load(folder.dat(), &error));
    SetEntry(p, 1, "Mail", "alice", "Tab", "Enter", "s3cret");
    SetEntry(p, 2, "Bank", "bob", "Tab", "Enter", "pin");
    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message));

    // The saved entry's emptied password is stored empty; another entry's empty
    // working field keeps its stored text.
    p.Data(1, 5).clear();
    p.Data(2, 2).clear();
    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    const QByteArray dat = ReadAll(folder.dat());
    EXPECT_EQ(dat.mid(9 * 512 + 186, 300), QByteArray(300, '\0'));
    EXPECT_EQ(dat.mid(10 * 512 + 100, 50), Padded("bob", 50));

    // A 60-character login name of an entry not being saved is cut to 50 in the file
    // while the working copy keeps all 60.
    p.Data(3, 2) = QString(60, 'n');
    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    EXPECT_EQ(ReadAll(folder.dat()).mid(11 * 512 + 100, 50), QByteArray(50, 'n'));
    EXPECT_EQ(p.Data(3, 2).size(), 60);
}

TEST(PassFile, RefusesWhatWouldLoseOrChangeStoredText) {
    Folder folder;
    PassFile p;
    QString error, message;
    ASSERT_TRUE(p.Load(folder.dat(), &error));
    SetEntry(p, 1, "Mail", "alice", "Tab", "Enter", "s3cret");
    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    const QByteArray saved = ReadAll(folder.dat());

    // Too long in bytes (26 double-byte characters = 52 bytes in a 50-byte field).
    p.Data(1, 2) = QString(26, QChar(0x3042));
    EXPECT_FALSE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    EXPECT_TRUE(message.contains("login name")) << message.toStdString();
    p.Data(1, 2) = "alice";
    p.Data(1, 5) = QStringLiteral("pw😀");
    EXPECT_FALSE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    EXPECT_TRUE(message.contains("password")) << message.toStdString();
    EXPECT_EQ(ReadAll(folder.dat()), saved);

    // A failed backup leaves the data file untouched.
    p.Data(1, 5) = "changed";
    ASSERT_TRUE(QDir(folder.dir.path()).mkdir("palist.bak.d"));
    EXPECT_FALSE(p.SavePass(1, folder.dat(), folder.dir.filePath("palist.bak.d"), &message));
    EXPECT_TRUE(message.contains("backup")) << message.toStdString();
    EXPECT_EQ(ReadAll(folder.dat()), saved);
    // The table was not committed either: the next good save starts from what is stored.
    ASSERT_TRUE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    EXPECT_EQ(ReadAll(folder.bak()), saved);
}

// What is typed must be what the user entered, also after a restart: text the file would
// give back changed is refused, naming the characters.
TEST(PassFile, RefusesTypedTextThatWouldComeBackChanged) {
    const struct {
        const char* password;
        const char* refusal;  // empty: stored
    } cases[] = {{"pw—x〜", "holds characters that the file gives back as others: — 〜"},
                 {"−¢£¬‖", "gives back as others: − ¢ £ ¬ ‖"},
                 {"pw ", "starts or ends with a blank"},
                 {"pw😀", "cannot be stored in the file: 😀"},
                 {"パス―～＄", ""},
                 {"a b", ""}};
    for (const auto& c : cases) {
        const QString password = QString::fromUtf8(c.password);
        const QString why = PassFile::CheckTexts({"App", "alice", "Tab", "Enter", password});
        EXPECT_EQ(why.isEmpty(), *c.refusal == 0) << c.password;
        EXPECT_TRUE(why.contains(QString::fromUtf8(c.refusal))) << why.toStdString();
        EXPECT_EQ(PassFile::CheckTexts({"App", password, "Tab", "Enter", "pw"}).isEmpty(), why.isEmpty())
            << "as a login name: " << c.password;
    }
    EXPECT_TRUE(PassFile::CheckTexts({"Mail — Firefox", "alice", "Tab", "Enter", "pw"}).isEmpty());  // only a label
}

TEST(PassFile, AFailedLoadNeverOverwritesTheStoredEntries) {
    Folder folder;
    ASSERT_TRUE(QDir(folder.dir.path()).mkdir("palist.dat"));  // a folder cannot be read as the file
    PassFile p;
    QString error, message;
    EXPECT_FALSE(p.Load(folder.dat(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(p.Loaded());
    SetEntry(p, 1, "Mail", "alice", "Tab", "Enter", "s3cret");
    EXPECT_FALSE(p.SavePass(1, folder.dat(), folder.bak(), &message));
    EXPECT_TRUE(message.contains("could not be read")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(folder.bak()));

    // An unreadable file: same, and both files stay as they are.
    Folder other;
    ASSERT_TRUE(WriteAll(other.dat(), QByteArray(16896, 'z')));
    ASSERT_TRUE(WriteAll(other.bak(), "old backup"));
    ::chmod(QFile::encodeName(other.dat()).constData(), 0);
    if (::geteuid() != 0) {
        EXPECT_FALSE(p.Load(other.dat(), &error));
        EXPECT_FALSE(p.SavePass(1, other.dat(), other.bak(), &message));
        EXPECT_EQ(ReadAll(other.bak()), "old backup");
    }
    ::chmod(QFile::encodeName(other.dat()).constData(), 0600);
    // A later load that succeeds allows saving again.
    ASSERT_TRUE(p.Load(other.dat(), &error));
    EXPECT_EQ(p.Data(1, 1), QString(100, 'z'));
}

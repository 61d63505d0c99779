// Both data files under file system faults: a save says why, the data file and its backup keep
// every byte, and once the fault is mended the same notebook saves again.

#include "NotesFile.h"
#include "PassFile.h"
#include "Support.h"

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>

// The data file may be kept elsewhere (a synced folder) through a link, which stays.
TEST_F(InFolder, FaultsKeepBothFilesUntilMended) {
    // Root passes every permission check: this program gives up the overrides for good (its
    // files are its own), and a writer that lets SIGXFSZ through ends it.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    ASSERT_EQ(syscall(SYS_capget, &header, caps), 0);
    caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    ASSERT_EQ(syscall(SYS_capset, &header, caps), 0);
    ::signal(SIGXFSZ, SIG_DFL);
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    // Foreign bytes before and after the records: larger than a backup.
    const QByteArray data = QByteArray(9 * 512, 'Z') + Record<QByteArray>({"Mail", "alice"}) + QByteArray(15872, '~');
    const QByteArray backup(6000, 'B');
    enum Link { None, Symbolic, Hard };
    const struct {
        bool notes;
        Link link;
        mode_t folder, file;
        rlim_t limit;
        const char* reason;
    } rows[] = {
        {true, None, 0500, 0600, unlimited.rlim_cur, "navilist.bak: Permission denied"},
        {false, Symbolic, 0700, 0400, unlimited.rlim_cur, "palist.dat: Permission denied"},
        {false, Hard, 0700, 0600, 8000, "palist.bak: File too large"},
        {true, None, 0700, 0600, 20000, "navilist.dat: File too large"},
    };
    ASSERT_TRUE(QDir().mkdir("synced"));
    const auto hidden = [](const char* folder) { return QDir(folder).entryList({".*"}, QDir::Files | QDir::Hidden); };
    for (const auto& row : rows) {
        const QString name = row.notes ? "navilist" : "palist", dat = name + ".dat", bak = name + ".bak";
        const QString real = row.link ? "synced/" + dat : dat;
        NotesFile notes;
        PassFile pass;
        const auto save = [&](const QString& text) {  // note or entry 1; the message if it fails
            QString said;
            pass.Data(1, 1) = text;
            const bool ok = row.notes ? notes.SaveNotes({text}, {"note"}, dat, bak, &said)
                                      : pass.SavePass(1, dat, bak, &said);
            return ok ? QString() : said;
        };
        QFile::remove(dat);
        ASSERT_TRUE(WriteAll(real, data) && WriteAll(bak, backup));
        ASSERT_TRUE(row.link != Symbolic || QFile::link(real, dat));
        ASSERT_TRUE(row.link != Hard || ::link(qPrintable(real), qPrintable(dat)) == 0);
        QString error;
        ASSERT_TRUE(row.notes ? notes.FileToData(dat, &error) : pass.Load(dat, &error)) << error;
        ::chmod(".", row.folder);
        ::chmod(qPrintable(dat), row.file);
        const rlimit limit{row.limit, unlimited.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const QString said = save("Faulty");
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        ::chmod(".", 0700);
        EXPECT_TRUE(said.endsWith(row.reason)) << said;
        EXPECT_EQ(ReadAll(dat), data);
        EXPECT_EQ(ReadAll(bak), backup);

        ::chmod(qPrintable(dat), 0600);
        EXPECT_EQ(save("Mended"), "");
        EXPECT_TRUE(ReadAll(real).contains("Mended") && !ReadAll(bak).contains("Faulty"));
        EXPECT_EQ(QFileInfo(dat).isSymLink(), row.link == Symbolic);
        EXPECT_EQ(hidden(".") + hidden("synced"), QStringList());
    }
}

// When either commit fails, the data file is as it was.
TEST_F(InFolder, SaveCommitsTheBackupThenTheDataFile) {
    for (bool backupPrepared : {false, true}) {
        ASSERT_TRUE(QDir().mkpath("d") && WriteAll("d/palist.dat", "old") && WriteAll("palist.bak", "old"));
        noterecord::PendingFile backup, data;
        QString error;
        ASSERT_TRUE(noterecord::PrepareRecords("d/palist.dat", 1, {"new"}, 0600, &data, &error));
        ASSERT_TRUE(!backupPrepared || noterecord::PrepareRecords("palist.bak", 1, {"new"}, 0600, &backup, &error));
        ASSERT_TRUE(QFile::remove("d/palist.dat") && QDir().mkpath("d/palist.dat/x"));  // between the renames
        EXPECT_FALSE(noterecord::CommitBackupThenData(&backup, &data, "backup", "data", &error));
        EXPECT_EQ(error, backupPrepared ? "data\rd/palist.dat: Is a directory" : "backup\r: not written");
        EXPECT_EQ(ReadAll("palist.bak").left(3), backupPrepared ? "new" : "old");
        EXPECT_TRUE(QFileInfo::exists("d/palist.dat/x"));
        ASSERT_TRUE(QDir("d").removeRecursively());
    }
}

// Both data files under file system faults: a save says why, the data file and its backup keep
// every byte, and once the fault is mended the same notebook saves again.

#include "NotesFile.h"
#include "PassFile.h"
#include "Support.h"

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>

namespace {

// Root passes every permission check: for a scope this thread gives up the overrides.
class WithoutRootOverrides {
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;

public:
    WithoutRootOverrides() {
        if (::geteuid() != 0 || syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutRootOverrides() {
        if (active_) syscall(SYS_capset, &header_, saved_);
    }
};

struct Notebook {  // the notes or the password notebook, in the current folder
    explicit Notebook(bool notes) : notes(notes) {}
    bool notes;
    NotesFile n;
    PassFile p;
    QString dat = notes ? "navilist.dat" : "palist.dat", bak = notes ? "navilist.bak" : "palist.bak";
    bool Load() {
        QString error;
        return notes ? n.FileToData(dat, &error) : p.Load(dat, &error);
    }
    // A note or entry 1 of that name; the message if it fails.
    QString Save(const QString& name) {
        QString said;
        p.Data(1, 1) = name;
        return (notes ? n.SaveNotes({name}, {"note"}, dat, bak, &said) : p.SavePass(1, dat, bak, &said)) ? "" : said;
    }
    // In a child under a file-size limit, SIGXFSZ at its default (which ends an unguarded writer).
    QString SaveUnderSizeLimit(rlim_t bytes) {
        int out[2];
        if (::pipe(out) != 0) return "no pipe";
        if (::fork() == 0) {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_DFL);
            const QByteArray said = Save("Faulty").toUtf8();
            ::_exit(::write(out[1], said.constData(), size_t(said.size())) == said.size() ? 0 : 1);
        }
        ::close(out[1]);
        QFile pipe;
        pipe.open(out[0], QIODevice::ReadOnly, QFile::AutoCloseHandle);
        const QString said = QString::fromUtf8(pipe.readAll());
        int status = 0;
        ::wait(&status);
        return status == 0 ? said : QString("ended with status %1").arg(status);
    }
};

}  // namespace

TEST_F(InFolder, SavesSayWhyAndKeepBothFilesUntilTheFaultIsMended) {
    // Foreign bytes before and after the records: larger than a backup.
    const QByteArray data = QByteArray(4608, 'Z') + Record<QByteArray>({"Mail", "alice"}) + QByteArray(15872, '~');
    const QByteArray backup(6000, 'B');
    enum Fault { ReadOnlyFolder, ReadOnlyData, SizeLimit };
    const struct {
        bool notes;
        Fault fault;
        rlim_t limit;
        QString reason;
    } rows[] = {
        {true, ReadOnlyFolder, 0, "navilist.bak: Permission denied"},  // no temporary file either
        {false, ReadOnlyData, 0, "palist.dat: Permission denied"},
        {false, SizeLimit, 8000, "palist.bak: File too large"},
        {true, SizeLimit, 20000, "navilist.dat: File too large"},
    };
    for (const auto& row : rows) {
        Notebook book(row.notes);
        ASSERT_TRUE(WriteAll(book.dat, data) && WriteAll(book.bak, backup) && book.Load());
        QString said;
        {
            WithoutRootOverrides ordinary;
            ::chmod(".", row.fault == ReadOnlyFolder ? 0500 : 0700);
            ::chmod(QFile::encodeName(book.dat).constData(), row.fault == ReadOnlyData ? 0400 : 0600);
            said = row.fault == SizeLimit ? book.SaveUnderSizeLimit(row.limit) : book.Save("Faulty");
            ::chmod(".", 0700);
        }
        EXPECT_TRUE(said.endsWith(row.reason)) << said;
        EXPECT_EQ(ReadAll(book.dat), data);
        EXPECT_EQ(ReadAll(book.bak), backup);
        EXPECT_EQ(QDir().entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());

        ::chmod(QFile::encodeName(book.dat).constData(), 0600);
        EXPECT_EQ(book.Save("Mended"), "");
        const QByteArray mended = ReadAll(book.dat);
        EXPECT_TRUE(mended.contains("Mended") && !ReadAll(book.bak).contains("Faulty"));
        EXPECT_EQ(mended.left(4608) + mended.mid(33 * 512), data.left(4608) + data.mid(33 * 512));
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

// A data file kept elsewhere (a synced folder): a save reaches it, and the link stays.
TEST_F(InFolder, ASaveReachesALinkedFileAndKeepsTheLinks) {
    ASSERT_TRUE(QDir().mkdir("synced") && WriteAll("synced/palist.dat", "old"));
    for (bool symbolic : {true, false}) {
        QFile::remove("palist.dat");
        const bool linked = symbolic ? QFile::link("synced/palist.dat", "palist.dat")
                                     : ::link("synced/palist.dat", "palist.dat") == 0;
        ASSERT_TRUE(linked);
        Notebook book(false);
        ASSERT_TRUE(book.Load());
        EXPECT_EQ(book.Save(symbolic ? "Symbolic" : "Hard"), "");
        EXPECT_EQ(QFileInfo("palist.dat").isSymLink(), symbolic);
        EXPECT_TRUE(ReadAll("synced/palist.dat").contains(symbolic ? "Symbolic" : "Hard"));
    }
    EXPECT_EQ(QDir("synced").entryList(QDir::Files | QDir::Hidden), QStringList{"palist.dat"});
}

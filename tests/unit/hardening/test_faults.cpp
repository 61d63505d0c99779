// Both notebooks' writers under faults of the file system: each time the window says why, exactly,
// the data file and its backup keep every byte, no stray file is left, and once the fault is
// mended the same window stores again.

#include "../navi/NaviFakes.h"
#include "../zoom/ZoomFakes.h"
#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>

namespace {

// Root passes every permission check: for a scope, this thread gives up the overrides so modes mean what they say.
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
    ~WithoutRootOverrides() { if (active_) syscall(SYS_capset, &header_, saved_); }
};

// Stores a note for the application in front (notes), or entry 1 renamed (notebook), named by the text.
void Store(bool notes, const QString& name) {
    if (notes) {
        LumNavi& w = Forms::Get<LumNavi>();
        static_cast<FakeDesktopWindows*>(Services::Get().desktopWindows.get())->Front(name);
        w.tmrFind_Timer();
        w.SetWindowState(vbNormal);
        QCoreApplication::processEvents();
        w.txtCmnt->setPlainText("note for " + name);
        return w.cmdSave_Click(0);
    }
    LumPass& w = Forms::Get<LumPass>();
    w.cmdSetup_Click();
    w.AppName->setText(name);
    w.cmdSave_Click();
}

// Runs the store in a child with a file-size limit and SIGXFSZ at its default (ending a writer that does not
// guard against it); returns the messages the child showed, or why it ended.
QStringList StoreUnderSizeLimit(rlim_t bytes, bool notes) {
    int out[2];
    if (::pipe(out) != 0) return {"no pipe"};
    if (::fork() == 0) {
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);
        Store(notes, "Faulty");
        const QByteArray said = static_cast<FakeMessageBox*>(Services::Get().messageBox.get())->prompts.join(u'\x1f').toUtf8();
        ::_exit(::write(out[1], said.constData(), size_t(said.size())) == said.size() ? 0 : 1);
    }
    ::close(out[1]);
    QByteArray said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::wait(&status);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {QString("ended with status %1").arg(status)};
    return QString::fromUtf8(said).split(u'\x1f');
}

enum Fault { ReadOnlyFolder, ReadOnlyData, ReadOnlyBackup, FolderAsData, FolderAsBackup, LimitBelowBackup, LimitBelowData };
struct Case { const char* name; bool notes; Fault fault; const char* shown; };

class WriterFaults : public ::testing::TestWithParam<Case> {
protected:
    QTemporaryDir dir;
    QString home = QDir::currentPath();
    FakeServices fakes;
    ZoomFakes zoomFakes;
    // Foreign bytes in records 1 to 9 and past record 33, one entry: larger than a backup.
    QByteArray data = QByteArray(4608, '\x5a') + Padded("Mail", 100) + Padded("alice", 50) + Padded("Tab", 18) +
                      Padded("Enter", 18) + Padded("stored", 326) + QByteArray(23 * 512, ' ') + QByteArray(4096, '\x7e');
    QByteArray backup = QByteArray(6000, '\x42');
    QString dat = GetParam().notes ? "navilist.dat" : "palist.dat", bak = GetParam().notes ? "navilist.bak" : "palist.bak";

    void SetUp() override {
        QDir::setCurrent(dir.path());
        Services::Get().desktopWindows = std::make_unique<FakeDesktopWindows>();
        ASSERT_TRUE(WriteAll(dat, data) && WriteAll(bak, backup));
        GetParam().notes ? (void)Forms::Show<LumNavi>() : (void)Forms::Show<LumPass>();
    }
    void TearDown() override {
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        Forms::UnloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(home);
    }
    QStringList Shown(qsizetype from) {
        QStringList shown = fakes.messageBox->prompts.mid(from);
        shown.removeAll("Do you want to save the changes?");
        return shown;
    }
};

}  // namespace

TEST_P(WriterFaults, SayWhyKeepBothFilesAndWorkAgainOnceTheFaultIsGone) {
    const Case& c = GetParam();
    const QString failing = c.fault == ReadOnlyData || c.fault == FolderAsData || c.fault == LimitBelowData ? dat : bak;
    QStringList shown;
    {
        WithoutRootOverrides ordinary;
        if (c.fault == ReadOnlyFolder) ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
        if (c.fault == ReadOnlyData || c.fault == ReadOnlyBackup) ::chmod(QFile::encodeName(failing).constData(), 0400);
        ASSERT_TRUE((c.fault != FolderAsData && c.fault != FolderAsBackup) || (QFile::remove(failing) && QDir().mkdir(failing)));
        if (c.fault == ReadOnlyFolder && QFile("probe").open(QIODevice::WriteOnly)) { GTEST_SKIP() << "this user writes anywhere"; }
        if (c.fault >= LimitBelowBackup) shown = StoreUnderSizeLimit(c.fault == LimitBelowBackup ? 8000 : 20000, c.notes);
        else Store(c.notes, "Faulty"), shown = Shown(0);
    }
    shown.removeAll("Do you want to save the changes?");
    EXPECT_EQ(shown, QStringList(QString::fromUtf8(c.shown)));
    EXPECT_EQ(c.fault == FolderAsData ? data : ReadAll(dat), data);
    EXPECT_EQ(c.fault == FolderAsBackup ? backup : ReadAll(bak), backup);
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden).size(), 2 - (c.fault == FolderAsData) - (c.fault == FolderAsBackup));

    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    for (const QString& name : {dat, bak}) {
        ASSERT_TRUE(!QFileInfo(name).isDir() || (QDir().rmdir(name) && WriteAll(name, name == dat ? data : backup)));
        ::chmod(QFile::encodeName(name).constData(), 0600);
    }
    const qsizetype before = fakes.messageBox->prompts.size();
    Store(c.notes, "Mended");
    EXPECT_EQ(Shown(before), QStringList());
    const QByteArray mended = ReadAll(dat);
    EXPECT_TRUE(mended.contains("Mended") && !ReadAll(bak).contains("Faulty"));  // nor was the failed save kept in memory
    EXPECT_EQ(mended.left(4608) + mended.mid(33 * 512), data.left(4608) + data.mid(33 * 512));
}

// Each fault once, on one notebook or the other: both write through the same code, and each one's texts show.
INSTANTIATE_TEST_SUITE_P(Writers, WriterFaults, ::testing::Values(
    Case{"NotesReadOnlyFolder", true, ReadOnlyFolder, "The backup of the notes could not be written, so nothing was saved.\nnavilist.bak: Permission denied"},
    Case{"PassReadOnlyData", false, ReadOnlyData, "The password file could not be written; it and its backup keep their previous entries.\npalist.dat: Permission denied"},
    Case{"NotesReadOnlyBackup", true, ReadOnlyBackup, "The backup of the notes could not be written, so nothing was saved.\nnavilist.bak: Permission denied"},
    Case{"PassFolderAsData", false, FolderAsData, "The password file could not be written; it and its backup keep their previous entries.\npalist.dat: Is a directory"},
    Case{"NotesFolderAsBackup", true, FolderAsBackup, "The backup of the notes could not be written, so nothing was saved.\nnavilist.bak: Is a directory"},
    Case{"PassLimitBelowBackup", false, LimitBelowBackup, "The backup could not be written, so nothing was saved.\npalist.bak: File too large"},
    Case{"NotesLimitBelowData", true, LimitBelowData, "The notes file could not be written; it and its backup keep their previous notes.\nnavilist.dat: File too large"}),
    [](const auto& info) { return std::string(info.param.name); });

// A data file kept elsewhere (a synced folder): a save reaches the file a symbolic link names and the
// link stays; a hard link keeps its other name.
TEST(LinkedDataFile, ASaveReachesTheFileAndKeepsTheLinks) {
    QTemporaryDir here, synced;
    const QString dat = here.filePath("palist.dat"), real = synced.filePath("palist.dat"), other = synced.filePath("other.dat");
    ASSERT_TRUE(WriteAll(real, "old") && QFile::link(real, dat) && ::link(QFile::encodeName(real).constData(), QFile::encodeName(other).constData()) == 0);
    PassFile p;
    QString error;
    ASSERT_TRUE(p.Load(dat, &error));
    p.Data(1, 1) = "Linked";
    ASSERT_TRUE(p.SavePass(1, dat, here.filePath("palist.bak"), &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(dat).symLinkTarget(), real);
    EXPECT_TRUE(ReadAll(other).contains("Linked"));
    EXPECT_EQ(QDir(synced.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"other.dat", "palist.dat"}));
}

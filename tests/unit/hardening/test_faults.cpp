// The writers of both notebooks under faults of the file system: a folder that cannot
// be written, a file that is read-only, a folder in the place of a file, a file-size
// limit as `ulimit -f` sets it. Each time the window says why, the data file and its
// backup keep every byte, and the window goes on working once the fault is gone.

#include "../navi/NaviFakes.h"
#include "../pass/PassFakes.h"
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
#include <unistd.h>

namespace {

// Root passes every permission check. For a scope, this thread gives up the overrides
// (it keeps them in its permitted set to take them back), so modes mean what they say.
class WithoutRootOverrides {
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

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

enum class Fault {
    ReadOnlyFolder,       // the folder takes no new file (0500)
    ReadOnlyData,         // the data file is read-only (0400)
    ReadOnlyBackup,       // the backup is read-only
    FolderAsData,         // a folder took the data file's place after the window loaded
    FolderAsBackup,       // a folder in the place of the backup
    LimitBelowBackup,     // a file-size limit smaller than the backup
    LimitBelowData,       // the backup fits under the limit, the larger data file does not
};

// One notebook window: its files and one user action that stores something named by the text.
class Tool {
public:
    virtual ~Tool() = default;
    virtual const char* Data() const = 0;
    virtual const char* Backup() const = 0;
    virtual void Open() = 0;
    virtual void Store(const QString& name) = 0;
    virtual bool Loaded() = 0;
    virtual void Close() = 0;
};

class NotesTool : public Tool {
public:
    const char* Data() const override { return "navilist.dat"; }
    const char* Backup() const override { return "navilist.bak"; }
    void Open() override {
        Services& s = Services::Get();
        s.desktopWindows = std::make_unique<FakeDesktopWindows>();
        desktop_ = static_cast<FakeDesktopWindows*>(s.desktopWindows.get());
        s.screenGrabber = std::make_unique<FakeScreenGrabber>();
        Forms::Show<LumNavi>();
    }
    // A note for the application in front, written in the restored window.
    void Store(const QString& name) override {
        LumNavi& w = Forms::Get<LumNavi>();
        desktop_->Front(name);
        w.tmrFind_Timer();
        w.SetWindowState(vbNormal);
        QCoreApplication::processEvents();
        w.txtCmnt->setPlainText("note for " + name);
        w.cmdSave_Click(0);
    }
    bool Loaded() override { return Forms::IsLoaded<LumNavi>(); }
    void Close() override { Forms::Unload<LumNavi>(); }

private:
    FakeDesktopWindows* desktop_ = nullptr;
};

class PassTool : public Tool {
public:
    const char* Data() const override { return "palist.dat"; }
    const char* Backup() const override { return "palist.bak"; }
    void Open() override { Forms::Show<LumPass>(); }
    // Entry 1 renamed in the setup frame and saved (the question answered Yes).
    void Store(const QString& name) override {
        LumPass& w = Forms::Get<LumPass>();
        w.cmdSetup_Click();
        w.AppName->setText(name);
        w.LogInName->setText("alice");
        w.Password->setText("s3cret");
        w.cmdSave_Click();
    }
    bool Loaded() override { return Forms::IsLoaded<LumPass>(); }
    void Close() override { Forms::Unload<LumPass>(); }
};

struct Case {
    const char* name;
    bool notes;
    Fault fault;
};

// The data file as another program may have left it: foreign bytes in records 1 to 9
// and past record 33, one stored entry; so it is larger than the backup a save writes.
QByteArray StoredData() {
    QByteArray file(4608, '\x5a');
    file += Padded("Mail", 100) + Padded("alice", 50) + Padded("Tab", 18) + Padded("Enter", 18) +
            Padded("stored", 300) + Padded("", 26);
    file += QByteArray(23 * 512, ' ');
    file += QByteArray(4096, '\x7e');
    return file;
}

// What a child process was shown, and how it ended.
struct ChildRun {
    bool exitedNormally = false;
    int signal = 0;
    QStringList prompts;
};

// Runs the action in a child process with a file-size limit and SIGXFSZ at its default,
// which ends a process that writes past the limit unless the writer guards against it.
ChildRun RunUnderSizeLimit(rlim_t bytes, const std::function<void()>& action, const FakeMessageBox& box) {
    int out[2];
    if (::pipe(out) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);
        action();
        const QByteArray said = box.prompts.join(QChar(0x1f)).toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(out[1], said.constData(), size_t(said.size()));
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ChildRun run;
    run.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (!said.isEmpty()) run.prompts = QString::fromUtf8(said).split(QChar(0x1f));
    return run;
}

void SetMode(const QString& path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

class WriterFaults : public ::testing::TestWithParam<Case> {
protected:
    QTemporaryDir dir;
    QString oldDir = QDir::currentPath();
    FakeServices fakes;
    std::unique_ptr<Tool> tool;
    QByteArray data = StoredData(), backup = QByteArray(6000, '\x42');

    void SetUp() override {
        QDir::setCurrent(dir.path());
        tool = GetParam().notes ? std::unique_ptr<Tool>(new NotesTool) : std::unique_ptr<Tool>(new PassTool);
        ASSERT_TRUE(WriteAll(tool->Data(), data));
        ASSERT_TRUE(WriteAll(tool->Backup(), backup));
        tool->Open();
        ASSERT_TRUE(tool->Loaded());
        ASSERT_TRUE(fakes.messageBox->prompts.isEmpty()) << fakes.messageBox->prompts.join('\n').toStdString();
    }
    void TearDown() override {
        SetMode(dir.path(), 0700);
        tool->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(oldDir);
    }
    // Whether the folder really refuses a new file (it may not, for a privileged user
    // whose overrides cannot be dropped).
    bool FolderRefusesWrites() {
        QFile probe(dir.filePath("probe"));
        const bool refused = !probe.open(QIODevice::WriteOnly);
        if (!refused) probe.remove();
        return refused;
    }
};

}  // namespace

TEST_P(WriterFaults, SayWhyKeepBothFilesAndWorkAgainOnceTheFaultIsGone) {
    const Fault fault = GetParam().fault;
    const QString failing = QString::fromLatin1(
        fault == Fault::ReadOnlyData || fault == Fault::FolderAsData || fault == Fault::LimitBelowData ? tool->Data()
                                                                                                      : tool->Backup());
    QString reason;
    QStringList shown;
    {
        WithoutRootOverrides ordinary;
        switch (fault) {
        case Fault::ReadOnlyFolder:
            SetMode(dir.path(), 0500);
            if (!FolderRefusesWrites()) GTEST_SKIP() << "this user can write into a read-only folder";
            reason = "Permission denied";
            break;
        case Fault::ReadOnlyData:
        case Fault::ReadOnlyBackup:
            SetMode(failing, 0400);
            reason = "Permission denied";
            break;
        case Fault::FolderAsData:
        case Fault::FolderAsBackup:
            ASSERT_TRUE(QFile::remove(failing));
            ASSERT_TRUE(QDir().mkdir(failing));
            reason = "directory";
            break;
        case Fault::LimitBelowBackup:
        case Fault::LimitBelowData:
            reason = "File too large";
            break;
        }
        if (fault == Fault::LimitBelowBackup || fault == Fault::LimitBelowData) {
            const rlim_t limit = fault == Fault::LimitBelowBackup ? 8000 : 20000;  // backup 16896, data 20992
            const ChildRun run = RunUnderSizeLimit(limit, [&] { tool->Store("Faulty"); }, *fakes.messageBox);
            ASSERT_TRUE(run.exitedNormally) << "ended by signal " << run.signal;
            shown = run.prompts;
        } else {
            const qsizetype before = fakes.messageBox->prompts.size();
            tool->Store("Faulty");
            shown = fakes.messageBox->prompts.mid(before);
        }
    }
    // One clear message after the notebook's own question: the file and the reason.
    shown.removeAll("Do you want to save the changes?");
    ASSERT_EQ(shown.size(), 1) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown[0].contains(failing) && shown[0].contains(reason, Qt::CaseInsensitive))
        << shown[0].toStdString();
    EXPECT_TRUE(tool->Loaded());
    if (fault != Fault::FolderAsData) {
        EXPECT_EQ(ReadAll(tool->Data()), data);
    }
    if (fault != Fault::FolderAsBackup) {
        EXPECT_EQ(ReadAll(tool->Backup()), backup);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2 - (fault == Fault::FolderAsData) -
                                                                                 (fault == Fault::FolderAsBackup));

    // The fault mended, the same window stores again.
    SetMode(dir.path(), 0700);
    for (const char* name : {tool->Data(), tool->Backup()}) {
        if (QFileInfo(name).isDir()) {
            ASSERT_TRUE(QDir().rmdir(name));
        }
        if (QFile::exists(name)) SetMode(name, 0600);
    }
    if (fault == Fault::FolderAsData) {
        ASSERT_TRUE(WriteAll(tool->Data(), data));
    }
    const qsizetype before = fakes.messageBox->prompts.size();
    tool->Store("Mended");
    shown = fakes.messageBox->prompts.mid(before);
    shown.removeAll("Do you want to save the changes?");
    EXPECT_TRUE(shown.isEmpty()) << shown.join('\n').toStdString();
    EXPECT_TRUE(ReadAll(tool->Data()).contains("Mended"));
    EXPECT_EQ(ReadAll(tool->Data()).left(4608), data.left(4608));
    EXPECT_EQ(ReadAll(tool->Data()).mid(33 * 512), data.mid(33 * 512));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WriterFaults,
    ::testing::Values(Case{"NotesReadOnlyFolder", true, Fault::ReadOnlyFolder},
                      Case{"NotesReadOnlyData", true, Fault::ReadOnlyData},
                      Case{"NotesReadOnlyBackup", true, Fault::ReadOnlyBackup},
                      Case{"NotesFolderAsData", true, Fault::FolderAsData},
                      Case{"NotesFolderAsBackup", true, Fault::FolderAsBackup},
                      Case{"NotesLimitBelowBackup", true, Fault::LimitBelowBackup},
                      Case{"NotesLimitBelowData", true, Fault::LimitBelowData},
                      Case{"PassReadOnlyFolder", false, Fault::ReadOnlyFolder},
                      Case{"PassReadOnlyData", false, Fault::ReadOnlyData},
                      Case{"PassReadOnlyBackup", false, Fault::ReadOnlyBackup},
                      Case{"PassFolderAsData", false, Fault::FolderAsData},
                      Case{"PassFolderAsBackup", false, Fault::FolderAsBackup},
                      Case{"PassLimitBelowBackup", false, Fault::LimitBelowBackup},
                      Case{"PassLimitBelowData", false, Fault::LimitBelowData}),
    [](const auto& info) { return std::string(info.param.name); });

// A data file kept elsewhere (a synced folder) and linked into the working folder: a save
// reaches the file the link names, and the link stays; a hard link keeps its other name.
class LinkedDataFile : public ::testing::TestWithParam<bool> {
protected:
    QTemporaryDir dir, synced;
    QString oldDir = QDir::currentPath();
    FakeServices fakes;
    std::unique_ptr<Tool> tool = GetParam() ? std::unique_ptr<Tool>(new NotesTool) : std::unique_ptr<Tool>(new PassTool);

    void SetUp() override { QDir::setCurrent(dir.path()); }
    void TearDown() override {
        tool->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(oldDir);
    }
    void StoreAndExpectIn(const QString& file) {
        tool->Open();
        tool->Store("Linked");
        EXPECT_TRUE(ReadAll(file).contains("Linked")) << file.toStdString();
        EXPECT_TRUE(ReadAll(tool->Backup()).contains("Mail"));
        QStringList shown = fakes.messageBox->prompts;
        shown.removeAll("Do you want to save the changes?");
        EXPECT_TRUE(shown.isEmpty()) << shown.join('\n').toStdString();
    }
};

TEST_P(LinkedDataFile, ASymbolicLinkStaysALinkToTheSavedFile) {
    const QString real = synced.filePath(tool->Data());
    ASSERT_TRUE(WriteAll(real, StoredData()));
    ASSERT_TRUE(QFile::link(real, tool->Data()));
    StoreAndExpectIn(real);
    EXPECT_EQ(QFileInfo(tool->Data()).symLinkTarget(), real);
    EXPECT_EQ(QDir(synced.path()).entryList(QDir::Files | QDir::Hidden), QStringList(tool->Data()));
}

TEST_P(LinkedDataFile, AHardLinkedFileKeepsItsOtherName) {
    const QString other = synced.filePath("other-name.dat");
    ASSERT_TRUE(WriteAll(tool->Data(), StoredData()));
    ASSERT_EQ(::link(tool->Data(), QFile::encodeName(other).constData()), 0);
    StoreAndExpectIn(other);
    EXPECT_EQ(ReadAll(other), ReadAll(tool->Data()));
}

INSTANTIATE_TEST_SUITE_P(Writers, LinkedDataFile, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Notes" : "Pass"); });

#include "BrowseURL.h"
#include "Support.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QTest>
#include <QtWidgets>

namespace {

const QString Address = "https://www.example.org/pelmora/", HttpKey = "http\\shell\\open\\command";

// Readable by its owner, and runnable unless told otherwise.
void Write(const QString& path, const QByteArray& content, QFile::Permissions mode = QFile::ExeOwner) {
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    ASSERT_TRUE(WriteAll(path, content) && QFile::setPermissions(path, QFile::ReadOwner | mode));
}

// The command store over the freedesktop default applications in the test's XDG folders.
struct Store : ::testing::Test {
    QTemporaryDir dir;
    const QString d = dir.path();
    Store() {
        qputenv("XDG_CONFIG_HOME", (d + "/config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (d + "/etc1:" + d + "/etc2").toUtf8());
        qputenv("XDG_DATA_HOME", (d + "/data").toUtf8());
        qputenv("XDG_DATA_DIRS", (d + "/share1:" + d + "/share2").toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
        Services::Get().browserCommands = std::make_shared<FreedesktopBrowserCommands>();
    }
    void App(const QString& data, const QString& id, const QByteArray& exec, const QByteArray& more = {}) {
        Write(d + "/" + data + "/applications/" + id, "[Desktop Entry]\nType=Application\nExec=" + exec + "\n" + more);
    }
    void List(const QString& file, const QByteArray& group, const QByteArray& ids,
              const QByteArray& mime = "x-scheme-handler/http") {
        Write(d + "/" + file, "[" + group + "]\n" + mime + "=" + ids + "\n");
    }
    static QString Read(const QString& key = HttpKey) { return RegGetString(HKEY_CLASSES_ROOT, key, {}); }
};

}  // namespace

// Removed associations hide later added ones; each more important mimeapps.list overrides those
// before it, passing over a handler that is missing, hidden or no application.
TEST_F(Store, MimeappsListsDecideInStandardOrder) {
    App("share1", "f.desktop", "f", "MimeType=text/html;x-scheme-handler/http;\n");
    EXPECT_EQ(Read(), "f ");
    List("config/mimeapps.list", "Removed Associations", "f.desktop;");
    List("etc1/mimeapps.list", "Added Associations", "f.desktop;");
    EXPECT_EQ(Read(), "");
    App("share1", "hidden.desktop", "hidden", "Hidden=true\n");
    Write(d + "/share1/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=http://x/\nExec=link\n");
    const QStringList files{"share2/applications/mimeapps.list", "share1/applications/mimeapps.list",
                            "data/applications/mimeapps.list", "etc2/mimeapps.list", "etc1/other-mimeapps.list",
                            "etc1/test-mimeapps.list", "config/mimeapps.list", "config/test-mimeapps.list"};
    for (int i = 0; i < files.size(); ++i) {
        const QByteArray id = "app" + QByteArray::number(i);
        App("share2", id + ".desktop", id);
        List(files[i], "Default Applications", "missing.desktop;hidden.desktop;link.desktop; " + id + ".desktop");
        EXPECT_EQ(Read(), id + " ") << files[i];
    }
    List("share2/applications/mimeapps.list", "Default Applications", "app1.desktop", "text/html");
    EXPECT_EQ(Read("NetscapeMarkup\\shell\\open\\command"), "app1 ");
}

// The Exec line without field codes, ending in a blank, if it fits 256 CP932 bytes with its end.
TEST_F(Store, ExecLineBecomesACommandThatFits) {
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size(); };
    const qsizetype filesBefore = openFiles();
    const QString kana(126, u'ブ');  // 252 bytes
    const std::pair<QByteArray, QString> rows[] = {
        {"opera %1", "opera %1 "},
        {"%u", ""},
        {"browser\\s--level=100%% %f %F %d %D %n %N %i %c %k %v %m", "browser --level=100% "},
        {QByteArray(254, 'a'), QString(254, 'a') + ' '},
        {QByteArray(255, 'a'), ""},
        {("/" + kana).toUtf8(), "/" + kana + ' '},
        {("/" + kana + u'ブ').toUtf8(), ""},
        {"/opt/navigateur-\xc3\xa9/run", ""},  // no CP932 form
    };
    List("config/mimeapps.list", "Default Applications", "web.desktop");
    for (const auto& [exec, command] : rows) {
        App("data", "web.desktop", exec);
        EXPECT_EQ(Read(), command) << exec.constData();
    }
    App("share1", "web.desktop", "other %u");  // the first data folder with the id decides
    App("data", "web.desktop", "mine %u");
    EXPECT_EQ(Read("HTTP\\Shell\\Open\\Command"), "mine ");
    // Default values under the classes root only; every read closes its files.
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, HttpKey, "command") + RegGetString(0x80000002u, HttpKey, {}), "");
    EXPECT_EQ(openFiles(), filesBefore);
}

TEST(BrowseURL, AddressFollowsTheCommandOrReplacesItsPlaceholder) {
    const struct {
        QString command, line;
        QStringList args;
    } rows[] = {
        {"browser -new ", "browser -new " + Address, {"browser", "-new", Address}},
        {"browser -url=", "browser -url=" + Address, {"browser", "-url=" + Address}},  // joined
        {"browser \"-u \"", "browser \"-u \"" + Address, {"browser", "-u " + Address}},
        {"opera \"%1\" -x %1", "opera \"" + Address + "\" -x " + Address, {"opera", Address, "-x", Address}},
        {"", Address, {Address}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ComposeLine(row.command, Address), row.line);
        EXPECT_EQ(ComposeArguments(row.command, Address), row.args);
        EXPECT_EQ(SplitCommandLine(row.line), row.args) << "the line shown is the line started";
    }
    bool open = false;
    EXPECT_EQ(SplitCommandLine(R"(  "/a b/c" -x	"q \" \` \$ \\ \n" '' it's "" a\b "d e)", &open),
              QStringList({"/a b/c", "-x", R"(q " ` $ \ \n)", "''", "it's", "", R"(a\b)", "d e"}));
    EXPECT_TRUE(open);
}

// The second key only when the first is empty, of another type or absent; a failed start says its number.
TEST(BrowseURL, ShowsAndStartsTheFirstKeysCommand) {
    for (const auto& first : {std::pair{REG_SZ, QString("firefox ")}, {REG_SZ, ""}, {REG_NONE, "firefox "}}) {
        FakeServices fakes;
        fakes.commands->keys = {{HttpKey, first}, {"NetscapeMarkup\\shell\\open\\command", {REG_SZ, "html "}}};
        fakes.starter->errors = {53};
        BrowseURL(Address);
        const QString browser = first.first == REG_SZ && !first.second.isEmpty() ? "firefox" : "html";
        EXPECT_EQ(fakes.commands->queried.size(), browser == "html" ? 2 : 1);
        EXPECT_EQ(fakes.messageBox->prompts, QStringList({browser + " " + Address, "53 File not found"}));
        EXPECT_EQ(fakes.starter->starts, QList<QStringList>({{browser, Address}}));
    }
}

// The address is one argument whatever it holds; the browser is not our child (never our zombie).
TEST(ProcessStart, StartsDetachedWithTheArgumentsAsGivenOrSaysWhyNot) {
    QTemporaryDir dir;
    const QByteArray log = dir.filePath("log").toUtf8(), mark = dir.filePath("PWNED").toUtf8();
    const QString hostile = "x;touch " + mark + "&b=$(touch " + mark + ")`touch " + mark + "`'\"|touch " + mark;
    const QByteArray logged = "{ echo $PPID; printf '%s|' \"$@\"; } >" + log + "~; mv " + log + "~ " + log;
    Write(dir.filePath("browser"), "#!/bin/sh\n" + logged);
    Write(dir.filePath("notexec"), "#!/bin/sh\n", {});
    Write(dir.filePath("noformat"), "\x01\x02 not a program");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (dir.filePath("missing") + ':' + dir.path() + ":/usr/bin:/bin").toUtf8());
    EXPECT_EQ(DetachedProcessStarter().Start({"browser", hostile, ""}), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(log); }, 5000));
    const QList<QByteArray> lines = ReadAll(log).split('\n');  // parent, arguments
    EXPECT_NE(lines[0], QByteArray::number(getpid()));
    EXPECT_EQ(lines.value(1), hostile.toUtf8() + "||");
    EXPECT_FALSE(QFile::exists(mark));
    const std::pair<QString, int> rows[] = {
        {dir.filePath("nothing"), 53}, {"nothing-by-that-name", 53}, {"", 53},
        {dir.filePath("notexec"), 70}, {"notexec", 70},             {dir.filePath("noformat"), 5}};
    for (const auto& [program, error] : rows) EXPECT_EQ(DetachedProcessStarter().Start({program}), error) << program;
    qputenv("PATH", path);
}

TEST(Windows, KeypadEnterClosesAndALinkOpensOnlyOnAReleaseInsideIt) {
    FakeServices fakes;
    QTest::keyClick(&Forms::Show<frmAbout>(), Qt::Key_Enter);
    EXPECT_FALSE(Forms::IsLoaded<frmAbout>());
    QLabel* link = Forms::Show<frmHelp>().lblURL[0];
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(fakes.starter->starts.isEmpty());
    Forms::UnloadAll();
}

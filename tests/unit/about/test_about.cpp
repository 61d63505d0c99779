#include "BrowseURL.h"
#include "Support.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QTest>
#include <QtWidgets>

namespace {

const QString Address = "https://example.org/", HttpKey = "http\\shell\\open\\command",
              HtmlKey = "NetscapeMarkup\\shell\\open\\command";

void Write(const QString& path, const QByteArray& content, QFile::Permissions run = {}) {
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(WriteAll(path, content) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | run));
}

// The real command store, in the test's own XDG folders.
struct Store : InFolder {
    const QByteArray d = QFile::encodeName(dir.path());
    Store() {
        qputenv("XDG_CONFIG_HOME", d + "/config");
        qputenv("XDG_CONFIG_DIRS", d + "/etc1:" + d + "/etc2");
        qputenv("XDG_DATA_HOME", d + "/data");
        qputenv("XDG_DATA_DIRS", d + "/share1:" + d + "/share2");
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
        s.browserCommands = std::make_shared<FreedesktopBrowserCommands>();
    }
    void App(const QString& data, const QString& id, const QByteArray& exec, const QByteArray& more = {}) {
        Write(data + "/applications/" + id, "[Desktop Entry]\nType=Application\nExec=" + exec + "\n" + more);
    }
    void List(const QString& file, const QByteArray& group, const QByteArray& ids) {
        Write(file, "[" + group + "]\nx-scheme-handler/http=" + ids + "\n");
    }
    static QString Read(const QString& key = HttpKey) { return RegGetString(HKEY_CLASSES_ROOT, key, {}); }
};

}  // namespace

// A removal hides later additions of its type; each listed file overrides those before it.
TEST_F(Store, MimeappsListsDecideInStandardOrder) {
    App("share1", "f.desktop", "f", "MimeType=text/html;x-scheme-handler/http;\n");
    EXPECT_EQ(Read(), "f ");
    List("config/mimeapps.list", "Removed Associations", "f.desktop;");
    List("etc1/mimeapps.list", "Added Associations", "f.desktop;");
    EXPECT_EQ(Read(), "");
    App("share1", "hidden.desktop", "hidden", "Hidden=true\n");
    Write("share1/applications/link.desktop", "[Desktop Entry]\nType=Link\nExec=link\n");
    int i = 0;
    for (const char* file : {"share2/applications/mimeapps.list", "share1/applications/mimeapps.list",
                             "data/applications/mimeapps.list", "etc2/mimeapps.list", "etc1/other-mimeapps.list",
                             "etc1/test-mimeapps.list", "config/mimeapps.list", "config/test-mimeapps.list"}) {
        const QByteArray id = "app" + QByteArray::number(i++);
        App("share2", id + ".desktop", id);
        List(file, "Default Applications", "missing.desktop;hidden.desktop;link.desktop; " + id + ".desktop");
        EXPECT_EQ(Read(), id + " ");
    }
    EXPECT_EQ(Read(HtmlKey), "f ");  // no default for its type
}

// Field codes go; the command must fit 256 CP932 bytes with its terminator.
TEST_F(Store, ExecLineBecomesACommandThatFits) {
    const uint files = QDir("/proc/self/fd").count();
    const QString kana(126, u'ブ');
    const std::pair<QByteArray, QString> rows[] = {
        {"%u", ""},
        {QByteArray(254, 'a'), QString(254, 'a') + ' '},
        {QByteArray(255, 'a'), ""},
        {("//" + kana).toUtf8(), "//" + kana + ' '},  // 255 bytes
        {("/" + kana + u'ブ').toUtf8(), ""},
        {"caf\xc3\xa9", ""},  // no CP932 form
        {"browser\\s--level=100%% %1 %f %F %d %D %n %N %i %c %k %v %m", "browser --level=100% %1 "},
    };
    List("config/mimeapps.list", "Default Applications", "web.desktop");
    App("share1", "web.desktop", "other %u");  // the first data folder with the id decides
    for (const auto& [exec, command] : rows) {
        App("data", "web.desktop", exec);
        EXPECT_EQ(Read("HTTP\\Shell\\Open\\Command"), command);
    }
    // The last command is the default value under the classes root only.
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, HttpKey, "command") + RegGetString(0x80000002u, HttpKey, {}), "");
    EXPECT_EQ(QDir("/proc/self/fd").count(), files);  // no file left open
}

TEST(BrowseURL, AddressFollowsTheCommandOrTakesItsPlaceholder) {
    const std::tuple<QString, QString, QStringList> rows[] = {
        {"browser -new ", "browser -new " + Address, {"browser", "-new", Address}},
        {"browser -url=", "browser -url=" + Address, {"browser", "-url=" + Address}},
        {"opera \"%1\" -x %1", "opera \"" + Address + "\" -x " + Address, {"opera", Address, "-x", Address}},
        {"", Address, {Address}},
    };
    for (const auto& [command, line, args] : rows) {
        EXPECT_EQ(ComposeLine(command, Address), line);
        EXPECT_EQ(ComposeArguments(command, Address), args);
        EXPECT_EQ(SplitCommandLine(line), args) << "the line shown is the line started";
    }
    bool open = false;
    EXPECT_EQ(SplitCommandLine(R"(  "/a b"/c -x	"q \" \` \$ \\ \n" '' it's "" a\b "d e)", &open),
              QStringList({"/a b/c", "-x", R"(q " ` $ \ \n)", "''", "it's", "", R"(a\b)", "d e"}));
    EXPECT_TRUE(open);
}

// The second key when the first has no usable command; a failed start says its number.
TEST(BrowseURL, ShowsAndStartsTheFirstKeysCommand) {
    const std::tuple<int, QString, QString> rows[] = {
        {REG_SZ, "firefox ", "firefox"}, {REG_SZ, "", "html"}, {REG_NONE, "firefox ", "html"}};
    for (const auto& [type, text, browser] : rows) {
        FakeServices fakes;
        fakes.commands->keys = {{HttpKey, {type, text}}, {HtmlKey, {REG_SZ, "html "}}};
        fakes.starter->error = 53;
        BrowseURL(Address);
        EXPECT_EQ(fakes.messageBox->prompts, QStringList({browser + " " + Address, "53 File not found"}));
        EXPECT_EQ(fakes.starter->starts, QList<QStringList>({{browser, Address}}));
    }
}

// No shell sees the address; the browser is left to init, never our zombie.
TEST_F(InFolder, ProcessStartsDetachedOrSaysWhyNot) {
    const QString hostile = "x;touch PWNED&b=$(touch PWNED)`touch PWNED`'\"|touch PWNED";
    Write("browser", "#!/bin/sh\n{ echo $PPID; printf '%s|' \"$@\"; } >log~; mv log~ log", QFile::ExeOwner);
    Write("noformat", "\x01\x02", QFile::ExeOwner);
    Write("notexec", "#!/bin/sh\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "missing:.:/usr/bin:/bin");
    EXPECT_EQ(DetachedProcessStarter().Start({"browser", hostile, ""}), 0);
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists("log"); }, 5000));
    const QList<QByteArray> lines = ReadAll("log").split('\n');  // parent, arguments
    EXPECT_NE(lines[0], QByteArray::number(getpid()));
    EXPECT_EQ(lines.value(1), hostile.toUtf8() + "||");
    EXPECT_FALSE(QFile::exists("PWNED"));
    const std::pair<QString, int> rows[] = {{"nothing", 53}, {"", 53}, {"notexec", 70}, {dir.filePath("noformat"), 5}};
    for (const auto& [program, error] : rows) EXPECT_EQ(DetachedProcessStarter().Start({program}), error) << program;
    qputenv("PATH", path);
}

TEST_F(InFolder, KeypadEnterClosesLinksOpenOnRelease) {
    QTest::keyClick(&Forms::Show<frmAbout>(), Qt::Key_Enter);
    EXPECT_FALSE(Forms::IsLoaded<frmAbout>());
    QLabel* link = Forms::Show<frmHelp>().lblURL[0];
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(starter->starts.isEmpty());
}

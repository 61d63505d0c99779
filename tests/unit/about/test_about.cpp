#include "BrowseURL.h"
#include "BrowserCommands.h"
#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "ProcessStarter.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

const QString Address = "https://www.example.org/pelmora/", HttpKey = "http\\shell\\open\\command",
              HtmlKey = "NetscapeMarkup\\shell\\open\\command";

// A file with the mode given (read and run by default), written afresh.
void Write(const QString& path, const QByteArray& content,
           QFile::Permissions mode = QFile::ReadOwner | QFile::ExeOwner) {
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.setPermissions(mode));
}

// The command store over freedesktop default applications in XDG folders of the test's.
struct Store : ::testing::Test {
    QTemporaryDir dir;
    const QString d = dir.path();
    const std::vector<std::pair<const char*, QString>> xdg{
        {"XDG_CONFIG_HOME", d + "/config"}, {"XDG_CONFIG_DIRS", d + "/etc1:" + d + "/etc2"},
        {"XDG_DATA_HOME", d + "/data"}, {"XDG_DATA_DIRS", d + "/share1:" + d + "/share2"},
        {"XDG_CURRENT_DESKTOP", "Test:Other"}};
    std::vector<QByteArray> saved;
    Store() {
        for (const auto& [name, value] : xdg) {
            saved.push_back(qgetenv(name));
            qputenv(name, value.toUtf8());
        }
        Services::Get().browserCommands = std::make_unique<FreedesktopBrowserCommands>();
    }
    ~Store() override {
        for (size_t i = 0; i < xdg.size(); ++i)
            saved[i].isNull() ? qunsetenv(xdg[i].first) : qputenv(xdg[i].first, saved[i]);
    }
    void App(const QString& data, const QString& id, const QByteArray& exec, const QByteArray& more = {}) {
        Write(d + "/" + data + "/applications/" + id,
              "[Desktop Entry]\nType=Application\nName=B\nExec=" + exec + "\n" + more);
    }
    void List(const QString& file, const QByteArray& group, const QByteArray& ids,
              const QByteArray& mime = "x-scheme-handler/http") {
        Write(d + "/" + file, "[" + group + "]\n" + mime + "=" + ids + "\n");
    }
    static QString Read(const QString& key = HttpKey, const QString& value = {}) {
        return RegGetString(HKEY_CLASSES_ROOT, key, value);
    }
};

}  // namespace

TEST_F(Store, WithoutADefaultTheAssociationsDecideAndRemovalsHideLaterAdditions) {
    App("share1", "f.desktop", "f", "MimeType=text/html;x-scheme-handler/http;\n");
    App("share2", "g.desktop", "g");
    EXPECT_EQ(Read(), "f ");
    List("config/mimeapps.list", "Removed Associations", "f.desktop;");
    List("etc1/mimeapps.list", "Added Associations", "f.desktop;");
    EXPECT_EQ(Read(), "");
    List("etc1/mimeapps.list", "Added Associations", "f.desktop;g.desktop;");
    EXPECT_EQ(Read(), "g ");
}

// From the least to the most important file each overrides all before it; a handler that is
// missing, hidden or no application is passed over.
TEST_F(Store, TheFirstMimeappsListInStandardOrderThatNamesAnInstalledHandlerDecides) {
    for (const char* id : {"a", "b", "c", "d", "e", "f", "g"}) App("share2", QString(id) + ".desktop", id);
    App("share1", "hidden.desktop", "hidden", "Hidden=true\n");
    Write(d + "/share1/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=http://x/\nExec=link\n");
    const std::pair<const char*, const char*> files[] = {
        {"share2/applications/mimeapps.list", "a"}, {"share1/applications/mimeapps.list", "b"},
        {"data/applications/mimeapps.list", "c"}, {"etc2/mimeapps.list", "d"}, {"etc1/mimeapps.list", "e"},
        {"etc1/other-mimeapps.list", "f"}, {"etc1/test-mimeapps.list", "g"}, {"config/mimeapps.list", "b"},
        {"config/other-mimeapps.list", "c"}, {"config/test-mimeapps.list", "d"}};
    for (const auto& [file, id] : files) {
        const QByteArray ids = "missing.desktop;hidden.desktop;link.desktop; " + QByteArray(id) + ".desktop;";
        List(file, "Default Applications", ids);
        EXPECT_EQ(Read(), QString(id) + " ") << file;
    }
    EXPECT_EQ(Read(HtmlKey), "");  // the other key reads the handler of text/html
    List("share2/applications/mimeapps.list", "Default Applications", "e.desktop", "text/html");
    EXPECT_EQ(Read(HtmlKey), "e ");
}

// The Exec line as a command without field codes, ending in one blank, that fits 256 CP932
// bytes with its terminator; otherwise nothing. Every read closes the files it opened.
TEST_F(Store, TheExecLineBecomesACommandThatFitsTheBuffer) {
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size(); };
    const qsizetype filesBefore = openFiles();
    const QString kana(126, QChar(u'ブ'));  // 252 bytes
    const std::pair<QByteArray, QString> cases[] = {
        {"firefox", "firefox "}, {"opera %1", "opera %1 "}, {"%u", ""}, {"", ""},
        {"browser\\s--level=100%% %f %F %d %D %n %N %i %c %k %v %m", "browser --level=100% "},
        {QByteArray(254, 'a'), QString(254, 'a') + ' '}, {QByteArray(255, 'a'), ""},
        {("/" + kana).toUtf8(), "/" + kana + ' '}, {("/" + kana + u'ブ').toUtf8(), ""},
        {"/opt/navigateur-\xc3\xa9/run", ""}, {"/opt/\xff\xfe/run", ""}};  // no CP932 form, no UTF-8
    List("config/mimeapps.list", "Default Applications", "web.desktop");
    for (const auto& [exec, command] : cases) {
        App("data", "web.desktop", exec);
        EXPECT_EQ(Read(), command) << exec.constData();
    }
    App("share1", "web.desktop", "other %u");  // the first data folder that has the id decides
    App("data", "web.desktop", "mine %u");
    EXPECT_EQ(Read("HTTP\\Shell\\Open\\Command"), "mine ");  // key names ignore letter case
    // Default values only, under the classes root only.
    EXPECT_EQ(Read(HttpKey, "command") + Read("https\\shell\\open\\command") + RegGetString(0x80000002u, HttpKey, {}),
              "");
    Write(d + "/data/applications/web.desktop", "[Desktop Entry]\nType=Application\nName=B\n");
    EXPECT_EQ(Read(), "");
    EXPECT_EQ(openFiles(), filesBefore);
}

TEST(BrowseLine, TheAddressFollowsTheCommandOrTakesThePlaceOfItsPlaceholder) {
    const QString hostile = "http://x/?a=1;touch A&b=$(touch B)`touch C`'\"|touch D>q";
    const struct { QString command, address, line; QStringList args; } cases[] = {
        {"browser -new ", Address, "browser -new " + Address, {"browser", "-new", Address}},
        {"browser -url=", Address, "browser -url=" + Address, {"browser", "-url=" + Address}},  // joined
        {"browser \"-u \"", Address, "browser \"-u \"" + Address, {"browser", "-u " + Address}},
        {"opera \"%1\" -x %1", Address, "opera \"" + Address + "\" -x " + Address, {"opera", Address, "-x", Address}},
        {"", Address, Address, {Address}},
        {"browser \"%1\"", hostile, "browser \"" + hostile + "\"", {"browser", hostile}}};  // one argument, as given
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeLine(c.command, c.address), c.line);
        EXPECT_EQ(ComposeArguments(c.command, c.address), c.args);
        if (c.address == Address) {
            EXPECT_EQ(SplitCommandLine(c.line), c.args) << "the line shown is the line started";
        }
    }
    bool open = false;
    EXPECT_EQ(SplitCommandLine(R"(  "/a b/c" -x	"q \" \` \$ \\ \n" '' it's "" a\b "d e)", &open),
              QStringList({"/a b/c", "-x", R"(q " ` $ \ \n)", "''", "it's", "", R"(a\b)", "d e"}));
    EXPECT_TRUE(open);
}

// The second key is read only when the first is empty, of another type or absent.
TEST(BrowseURL, ShowsTheLineAndStartsItFromTheFirstKeyThatHasACommand) {
    for (const auto& first : {FakeBrowserCommands::Value{REG_SZ, "firefox "}, {REG_SZ, ""}, {REG_NONE, "firefox "}}) {
        FakeServices services;
        BrowserFakes fakes;
        fakes.commands->keys = {{HttpKey, first}, {HtmlKey, {REG_SZ, "html "}}};
        BrowseURL(Address);
        const bool second = first.text.isEmpty() || first.type != REG_SZ;
        EXPECT_EQ(fakes.commands->queried, second ? QStringList({HttpKey, HtmlKey}) : QStringList({HttpKey}));
        EXPECT_EQ(services.messageBox->prompts, QStringList({(second ? "html " : "firefox ") + Address}));
        EXPECT_EQ(fakes.starter->starts, QList<QStringList>({{second ? "html" : "firefox", Address}}));
    }
}

// Started through a go-between that is gone at once (so the program is never our zombie), or
// an error number with its words.
TEST(ProcessStart, StartsDetachedOrSaysWhyNot) {
    QTemporaryDir dir;
    const QByteArray parent = dir.filePath("parent").toUtf8();
    Write(dir.filePath("browser"), "#!/bin/sh\necho $PPID > '" + parent + "~'; mv '" + parent + "~' '" + parent + "'\n");
    Write(dir.filePath("notexec"), "#!/bin/sh\n", QFile::ReadOwner);
    Write(dir.filePath("noformat"), "\x01\x02 not a program");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (dir.filePath("missing") + ':' + dir.path() + ":/usr/bin:/bin").toUtf8());
    const std::pair<QString, int> cases[] = {
        {"browser", 0}, {Address, 53}, {dir.filePath("nothing"), 53}, {"nothing-by-that-name", 53}, {"", 53},
        {dir.filePath("notexec"), 70}, {"notexec", 70}, {dir.path(), 70}, {dir.filePath("noformat"), 5}};
    for (const auto& [program, error] : cases)
        EXPECT_EQ(DetachedProcessStarter().Start({program}), error) << program.toStdString();
    qputenv("PATH", path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(parent); }, 5000));
    EXPECT_NE(ReadAll(parent).trimmed(), QByteArray::number(getpid()));
    EXPECT_EQ(StartErrorDescription(70) + ", " + StartErrorDescription(5),
              "Permission denied, Invalid procedure call or argument");
}

// What no desktop test does: the keypad's Enter, and a press on a link that ends outside it.
TEST(Windows, KeypadEnterClosesAndALinkOpensOnlyOnAReleaseInsideIt) {
    FakeServices services;
    BrowserFakes fakes;
    QTest::keyClick(&Forms::Show<frmAbout>(), Qt::Key_Enter);
    EXPECT_FALSE(Forms::IsLoaded<frmAbout>());
    QLabel* link = Forms::Show<frmHelp>().lblURL[0];
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(fakes.starter->starts.isEmpty());
    EXPECT_TRUE(link->font().underline() && link->palette().color(QPalette::WindowText) == Qt::blue);
    EXPECT_EQ(VersionText(2, 12, 3), "Version 2.12.3");
    Forms::Unload<frmHelp>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The command store read from freedesktop default applications in XDG folders
// made by the test, through RegGetString as the program reads it.

#include "QStringPrinter.h"
#include "BrowseURL.h"
#include "BrowserCommands.h"
#include "Services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

const char* const XdgVariables[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                                    "XDG_CURRENT_DESKTOP"};
const QString HttpKey = QStringLiteral("http\\shell\\open\\command");
const QString HtmlKey = QStringLiteral("NetscapeMarkup\\shell\\open\\command");
const QString Http = QStringLiteral("x-scheme-handler/http");

class Store : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::vector<std::optional<QByteArray>> saved;

    void SetUp() override {
        for (const char* name : XdgVariables)
            saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (Path("etc1") + ':' + Path("etc2")).toUtf8());
        qputenv("XDG_DATA_HOME", Path("data").toUtf8());
        qputenv("XDG_DATA_DIRS", (Path("share1") + ':' + Path("share2")).toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
        Services::Get().browserCommands = std::make_unique<FreedesktopBrowserCommands>();
    }
    void TearDown() override {
        for (size_t i = 0; i < saved.size(); ++i)
            saved[i] ? qputenv(XdgVariables[i], *saved[i]) : qunsetenv(XdgVariables[i]);
    }

    QString Path(const QString& relative) const { return dir.filePath(relative); }
    void Write(const QString& relative, const QByteArray& content) {
        QDir().mkpath(QFileInfo(Path(relative)).path());
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void App(const QString& dataDir, const QString& id, const QByteArray& exec, const QByteArray& more = {}) {
        Write(dataDir + "/applications/" + id, "[Desktop Entry]\nType=Application\nName=Browser\nExec=" + exec + "\n" + more);
    }
    void Default(const QString& file, const QByteArray& ids, const QByteArray& mime = "x-scheme-handler/http") {
        Write(file, "[Default Applications]\n" + mime + "=" + ids + "\n");
    }
    static QString Read(const QString& key = HttpKey, const QString& value = {}) {
        return RegGetString(HKEY_CLASSES_ROOT, key, value);
    }
};

}  // namespace

TEST_F(Store, TheFirstMimeappsListInStandardOrderThatNamesAnInstalledHandlerDecides) {
    for (const char* id : {"a", "b", "c", "d", "e", "f", "g"}) App("share2", QString(id) + ".desktop", id);
    App("share1", "hidden.desktop", "hidden", "Hidden=true\n");
    Write("share1/applications/link.desktop", "[Desktop Entry]\nType=Link\nURL=http://x/\nExec=link\n");
    // From the least to the most important file: each one written overrides all before it.
    const std::pair<const char*, const char*> files[] = {
        {"share2/applications/mimeapps.list", "a"}, {"share1/applications/mimeapps.list", "b"},
        {"data/applications/mimeapps.list", "c"},   {"etc2/mimeapps.list", "d"},
        {"etc1/mimeapps.list", "e"},                {"etc1/other-mimeapps.list", "f"},
        {"etc1/test-mimeapps.list", "g"},           {"config/mimeapps.list", "b"},
        {"config/other-mimeapps.list", "c"},        {"config/test-mimeapps.list", "d"},
    };
    for (const auto& [file, id] : files) {
        Default(file, QByteArray("missing.desktop;hidden.desktop;link.desktop; ") + id + ".desktop;");
        EXPECT_EQ(freedesktop::DefaultHandler(Http), QString(id) + ".desktop") << file;
        EXPECT_EQ(Read(), QString(id) + " ") << file;
    }
    // The other key reads the handler of text/html, which none names yet.
    EXPECT_EQ(Read(HtmlKey), "");
    Default("share2/applications/mimeapps.list", "e.desktop", "text/html");
    EXPECT_EQ(Read(HtmlKey), "e ");
}

TEST_F(Store, WithoutADefaultTheAssociationsDecideAndRemovalsHideLaterAdditions) {
    App("share1", "f.desktop", "f", "MimeType=text/html;x-scheme-handler/http;\n");
    App("share2", "g.desktop", "g");
    EXPECT_EQ(freedesktop::DefaultHandler(Http), "f.desktop");
    Write("config/mimeapps.list", "[Removed Associations]\nx-scheme-handler/http=f.desktop;\n");
    Write("etc1/mimeapps.list", "[Added Associations]\nx-scheme-handler/http=f.desktop;\n");
    EXPECT_EQ(freedesktop::DefaultHandler(Http), "");
    EXPECT_EQ(Read(), "");
    Write("etc1/mimeapps.list", "[Added Associations]\nx-scheme-handler/http=f.desktop;g.desktop;\n");
    EXPECT_EQ(freedesktop::DefaultHandler(Http), "g.desktop");
}

TEST_F(Store, TheExecLineBecomesACommandWithoutFieldCodesEndingInOneBlank) {
    Default("config/mimeapps.list", "web.desktop");
    const std::pair<QByteArray, QString> cases[] = {
        {"firefox %u", "firefox "},
        {"firefox", "firefox "},
        {"  \"/opt/My Browser/run\" --new-window %U  ", "\"/opt/My Browser/run\" --new-window "},
        {"browser\\s--level=100%% %f %F %d %D %n %N %i %c %k %v %m", "browser --level=100% "},
        {"opera %1", "opera %1 "},
        {"%u", ""},
        {"", ""},
    };
    for (const auto& [exec, command] : cases) {
        App("data", "web.desktop", exec);
        EXPECT_EQ(Read(), command) << exec.constData();
    }
    // The first data folder that has the id decides; key names ignore letter case;
    // the store has default values only, under the classes root only.
    App("share1", "web.desktop", "other %u");
    App("data", "web.desktop", "mine %u");
    EXPECT_EQ(Read(QStringLiteral("HTTP\\Shell\\Open\\Command")), "mine ");
    EXPECT_EQ(Read(HttpKey, QStringLiteral("command")), "");
    EXPECT_EQ(Read(QStringLiteral("https\\shell\\open\\command")), "");
    EXPECT_EQ(RegGetString(0x80000002u, HttpKey, {}), "");
    Write("data/applications/web.desktop", "[Desktop Entry]\nType=Application\nName=Browser\n");
    EXPECT_EQ(Read(), "");
}

TEST_F(Store, AValueMustFit256CP932BytesWithItsTerminator) {
    Default("config/mimeapps.list", "web.desktop");
    App("data", "web.desktop", QByteArray(254, 'a'));  // with its blank 255 bytes, 256 with the NUL
    EXPECT_EQ(Read(), QString(254, 'a') + ' ');
    App("data", "web.desktop", QByteArray(255, 'a'));
    EXPECT_EQ(Read(), "");
    // Kana take two bytes each: 127 of them are 254 bytes.
    const QString kana(126, QChar(u'ブ'));
    App("data", "web.desktop", ("/" + kana).toUtf8());
    EXPECT_EQ(Read(), "/" + kana + ' ');
    App("data", "web.desktop", ("/" + kana + u'ブ').toUtf8());
    EXPECT_EQ(Read(), "");
    // A command with no CP932 form, or not valid UTF-8, is unusable.
    App("data", "web.desktop", "/opt/navigateur-\xc3\xa9/run");
    EXPECT_EQ(Read(), "");
    App("data", "web.desktop", "/opt/\xff\xfe/run");
    EXPECT_EQ(Read(), "");
}

TEST_F(Store, EveryReadClosesTheFilesItOpened) {
    Default("config/mimeapps.list", "web.desktop");
    App("share2", "web.desktop", "firefox %u");
    const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); };
    const qsizetype before = openFiles();
    for (int i = 0; i < 100; ++i) ASSERT_EQ(Read(), "firefox ");
    EXPECT_EQ(openFiles(), before);
}

// Link opening: the two lookups, the line shown, the program started (the real
// start, without a shell) and the error box.

#include "QStringPrinter.h"
#include "BrowseURL.h"
#include "Fakes.h"
#include "ProcessStarter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString HttpKey = QStringLiteral("http\\shell\\open\\command");
const QString HtmlKey = QStringLiteral("NetscapeMarkup\\shell\\open\\command");
const QString Address = QStringLiteral("https://www.example.org/pelmora/");
// Every shell character that could end, nest or redirect a command.
const QString Hostile = QStringLiteral("http://x/?a=1;touch PWNED1&b=$(touch PWNED2)`touch PWNED3`'\"|touch PWNED4>q");

void WriteFile(const QString& path, const QByteArray& content, QFile::Permissions permissions) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    file.setPermissions(permissions);
}

const QFile::Permissions Executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

}  // namespace

TEST(BrowseLine, TheAddressFollowsTheCommandOrTakesThePlaceOfItsPlaceholder) {
    struct Case {
        QString command, line;
        QStringList args;
    };
    const Case cases[] = {
        {"firefox ", "firefox " + Address, {"firefox", Address}},
        {"\"/opt/My Browser/run\" -new ", "\"/opt/My Browser/run\" -new " + Address, {"/opt/My Browser/run", "-new", Address}},
        // Joined to a switch or a quoted argument, as the line shows it.
        {"browser -url=", "browser -url=" + Address, {"browser", "-url=" + Address}},
        {"browser \"-u \"", "browser \"-u \"" + Address, {"browser", "-u " + Address}},
        {"opera \"%1\" -x %1", "opera \"" + Address + "\" -x " + Address, {"opera", Address, "-x", Address}},
        {"", Address, {Address}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComposeLine(c.command, Address), c.line) << c.command.toStdString();
        EXPECT_EQ(ComposeArguments(c.command, Address), c.args) << c.command.toStdString();
        EXPECT_EQ(SplitCommandLine(c.line), c.args) << "the line shown is the line started";
    }
    // Whatever the address holds, it stays one argument, as it was given.
    EXPECT_EQ(ComposeArguments("browser --new ", Hostile), QStringList({"browser", "--new", Hostile}));
    EXPECT_EQ(ComposeArguments("browser \"%1\"", Hostile), QStringList({"browser", Hostile}));
}

TEST(BrowseLine, CommandLinesSplitWithTheDesktopEntryQuotingRules) {
    bool open = true;
    EXPECT_EQ(SplitCommandLine(QStringLiteral(R"(  "/a b/c" -x	"q \" \` \$ \\ \n" '' it's "" a\b )"), &open),
              QStringList({"/a b/c", "-x", R"(q " ` $ \ \n)", "''", "it's", "", R"(a\b)"}));
    EXPECT_FALSE(open);
    EXPECT_EQ(SplitCommandLine(QStringLiteral("a \"b c"), &open), QStringList({"a", "b c"}));
    EXPECT_TRUE(open);
    EXPECT_EQ(SplitCommandLine(QString(), &open), QStringList());
    EXPECT_FALSE(open);
}

TEST(BrowseURL, TheSecondKeyIsReadOnlyWhenTheFirstIsEmpty) {
    FakeServices services;
    BrowserFakes fakes;
    fakes.commands->keys[HttpKey] = {REG_SZ, "firefox "};
    fakes.commands->keys[HtmlKey] = {REG_SZ, "html "};
    BrowseURL(Address);
    EXPECT_EQ(fakes.commands->queried, QStringList({HttpKey}));
    EXPECT_EQ(services.messageBox->prompts, QStringList({"firefox " + Address}));
    EXPECT_EQ(services.messageBox->titles, QStringList({"Pelmora"}));
    EXPECT_EQ(fakes.starter->starts, QList<QStringList>({{"firefox", Address}}));

    // Empty, of another type, or absent: the second key, even when it is empty too.
    for (const FakeBrowserCommands::Value& first :
         {FakeBrowserCommands::Value{REG_SZ, ""}, FakeBrowserCommands::Value{REG_NONE, "firefox "}}) {
        FakeServices again;
        BrowserFakes more;
        more.commands->keys[HttpKey] = first;
        more.commands->keys[HtmlKey] = {REG_SZ, "html "};
        BrowseURL(Address);
        EXPECT_EQ(more.commands->queried, QStringList({HttpKey, HtmlKey}));
        EXPECT_EQ(again.messageBox->prompts, QStringList({"html " + Address}));
    }
}

TEST(ProcessStart, StartsTheProgramDetachedWithEachArgumentLiterallyAndNoShell) {
    QTemporaryDir dir;
    const QString record = dir.filePath("argv"), browser = dir.filePath("my browser");
    // Records its arguments, one a line, then its parent: the go-between is gone, so not us.
    WriteFile(browser, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.toUtf8() +
                           ".tmp'\nsleep 0.2; printf 'parent %s\\n' $PPID >> '" + record.toUtf8() + ".tmp'\nmv '" +
                           record.toUtf8() + ".tmp' '" + record.toUtf8() + "'\n",
              Executable);
    DetachedProcessStarter starter;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());  // where the hostile address would create its files
    EXPECT_EQ(starter.Start({browser, "--new", Hostile}), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 5000));
    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.mid(0, 2), QStringList({"--new", Hostile}));
    EXPECT_NE(lines[2], QStringLiteral("parent %1").arg(getpid()));
    QDir::setCurrent(cwd);
    EXPECT_EQ(QDir(dir.path()).entryList({"PWNED*"}), QStringList());
}

TEST(ProcessStart, NotFoundIs53PermissionDeniedIs70AndOtherFailuresAre5) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("notexec"), "#!/bin/sh\n", QFile::ReadOwner | QFile::WriteOwner);
    WriteFile(dir.filePath("noformat"), "\x01\x02 not a program", Executable);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (dir.filePath("missing") + ':' + dir.path() + ":/usr/bin:/bin").toUtf8());
    DetachedProcessStarter starter;
    EXPECT_EQ(starter.Start({"https://www.example.org/"}), 53);
    EXPECT_EQ(starter.Start({dir.filePath("nothing")}), 53);
    EXPECT_EQ(starter.Start({"nothing-by-that-name"}), 53);
    EXPECT_EQ(starter.Start({QString()}), 53);
    EXPECT_EQ(starter.Start({dir.filePath("notexec")}), 70);
    EXPECT_EQ(starter.Start({"notexec"}), 70);
    EXPECT_EQ(starter.Start({dir.path()}), 70);
    EXPECT_EQ(starter.Start({dir.filePath("noformat")}), 5);
    EXPECT_EQ(starter.Start({"true", "x"}), 0);  // found in PATH
    qputenv("PATH", path);
    EXPECT_EQ(StartErrorDescription(70), "Permission denied");
    EXPECT_EQ(StartErrorDescription(5), "Invalid procedure call or argument");
}

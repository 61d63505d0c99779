#pragma once

#include <QString>
#include <QStringList>

// The run-time error numbers a start can give.
enum StartErrors { errInvalidCall = 5, errFileNotFound = 53, errPermissionDenied = 70 };

// Starts a program with its arguments, never through a shell.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // argv[0] names the program: a path when it holds a slash, else looked up in
    // PATH. Returns once the program runs or could not be started: 0, or the
    // error number (53 not found, 70 permission denied, 5 any other failure).
    virtual int Start(const QStringList& argv) = 0;
};

// Starts the program detached, in a session of its own: nothing waits for it and
// it outlives us.
class DetachedProcessStarter : public ProcessStarter {
public:
    int Start(const QStringList& argv) override;
};

// Splits a command line with the Desktop Entry quoting rules: blanks separate
// arguments; double quotes enclose text with blanks, inside which a backslash
// before " ` $ or a backslash stands for that character. Everything else is
// literal, quotes of other kinds and shell characters included. endsInArgument tells whether the line ends inside an
// argument (text appended to the line would join it) rather than after a blank.
QStringList SplitCommandLine(const QString& line, bool* endsInArgument = nullptr);

// The platform's wording of a start error ("File not found" for 53).
QString StartErrorDescription(int number);

#include "ProcessStarter.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

QStringList SplitCommandLine(const QString& line, bool* endsInArgument) {
    QStringList args;
    QString arg;
    bool inArgument = false, quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < line.size() && QStringLiteral("\"`$\\").contains(line[i + 1]))
                arg += line[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                arg += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument) args << arg;
            arg.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else
                arg += c;
        }
    }
    if (inArgument) args << arg;
    if (endsInArgument) *endsInArgument = inArgument;
    return args;
}

QString StartErrorDescription(int number) {
    switch (number) {
    case errFileNotFound: return QStringLiteral("File not found");
    case errPermissionDenied: return QStringLiteral("Permission denied");
    default: return QStringLiteral("Invalid procedure call or argument");
    }
}

namespace {

int errorNumber(int error) {
    if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG) return errFileNotFound;
    if (error == EACCES || error == EPERM) return errPermissionDenied;
    return errInvalidCall;
}

// Writes all of an int, or nothing useful: only async-signal-safe calls.
void report(int fd, int error) {
    const char* p = reinterpret_cast<const char*>(&error);
    size_t left = sizeof error;
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= size_t(n);
    }
}

}  // namespace

int DetachedProcessStarter::Start(const QStringList& argv) {
    if (argv.isEmpty() || argv.first().isEmpty()) return errFileNotFound;

    // Everything the children need is made here: after fork only async-signal-safe calls.
    std::vector<QByteArray> args;
    for (const QString& arg : argv) args.push_back(QFile::encodeName(arg));
    std::vector<char*> argp;
    for (QByteArray& arg : args) argp.push_back(arg.data());
    argp.push_back(nullptr);
    // The PATH search of execvp, done by hand so that no shell runs a file that is no program.
    std::vector<QByteArray> candidates;
    if (args[0].contains('/')) {
        candidates.push_back(args[0]);
    } else {
        QByteArray path = qgetenv("PATH");
        if (path.isEmpty()) path = "/bin:/usr/bin";
        for (const QByteArray& dir : path.split(':')) candidates.push_back((dir.isEmpty() ? QByteArray(".") : dir) + '/' + args[0]);
    }

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return errInvalidCall;
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return errInvalidCall;
    }
    if (child == 0) {
        // A go-between in a new session: the program becomes its child, it ends at
        // once, and the program is left to init, never our zombie.
        close(pipeFds[0]);
        setsid();
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            int error = ENOENT;
            bool denied = false;
            for (const QByteArray& candidate : candidates) {
                execv(candidate.constData(), argp.data());
                if (errno == EACCES) {
                    denied = true;
                } else if (errno != ENOENT && errno != ENOTDIR) {
                    error = errno;
                    break;
                }
            }
            if (denied && error == ENOENT) error = EACCES;
            report(pipeFds[1], error);
            _exit(127);
        }
        if (grandchild < 0) report(pipeFds[1], errno);
        _exit(0);
    }
    close(pipeFds[1]);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    // The write end closes on a successful exec: nothing to read means started.
    int error = 0;
    ssize_t got;
    while ((got = read(pipeFds[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(pipeFds[0]);
    return got == ssize_t(sizeof error) ? errorNumber(error) : 0;
}

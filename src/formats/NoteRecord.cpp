#include "NoteRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace noterecord {

namespace {

// CP932 lead bytes of double-byte characters.
bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() { if (ok()) iconv_close(cd_); }
    bool ok() const { return cd_ != iconv_t(-1); }
    iconv_t get() const { return cd_; }
private:
    iconv_t cd_;
};

QString ErrnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

// A file-size limit (ulimit -f) must fail the write (EFBIG), not end the program.
class NoFileSizeSignal {
public:
    NoFileSizeSignal() {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &old_);
    }
    ~NoFileSizeSignal() { ::sigaction(SIGXFSZ, &old_, nullptr); }

private:
    struct sigaction old_{};
};

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

}  // namespace

Fields SplitRecord(const QByteArray& record) {
    QByteArray full = record.left(RecordLength);
    full.append(QByteArray(RecordLength - full.size(), '\0'));
    Fields fields;
    for (int f = 0; f < FieldCount; ++f) fields[f] = full.mid(FieldOffset[f], FieldWidth[f]);
    return fields;
}

QByteArray JoinRecord(const Fields& fields) {
    QByteArray record(RecordLength, '\0');
    for (int f = 0; f < FieldCount; ++f) {
        const QByteArray field = fields[f].left(FieldWidth[f]);
        std::memcpy(record.data() + FieldOffset[f], field.constData(), size_t(field.size()));
    }
    return record;
}

bool EncodeText(const QString& text, QByteArray* bytes) {
    bytes->clear();
    if (text.isEmpty()) return true;
    // One converter for the thread: the notes match titles this way at every tick.
    thread_local Iconv cd("CP932", "UTF-8");
    if (!cd.ok()) return false;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 8, '\0');
    char* inp = in.data();
    size_t inLeft = size_t(in.size());
    char* outp = out.data();
    size_t outLeft = size_t(out.size());
    if (iconv(cd.get(), &inp, &inLeft, &outp, &outLeft) == size_t(-1)) return false;
    out.resize(out.size() - qsizetype(outLeft));
    *bytes = out;
    return true;
}

QString DecodeText(const QByteArray& bytes) {
    Iconv cd("UTF-8", "CP932");
    QByteArray in = bytes;
    QByteArray out;
    char* inp = in.data();
    size_t inLeft = size_t(in.size());
    while (inLeft > 0 && cd.ok()) {
        char buffer[256];
        char* outp = buffer;
        size_t outLeft = sizeof buffer;
        const size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
        out.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (r == size_t(-1) && errno != E2BIG) {
            out.append("\xEF\xBF\xBD");  // U+FFFD for the byte that starts nothing valid
            ++inp;
            --inLeft;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return QString::fromUtf8(out);
}

namespace {

// CP932 bytes of the text; a character without a CP932 form becomes '?'.
QByteArray EncodeOrMark(const QString& text) {
    QByteArray bytes;
    if (EncodeText(text, &bytes)) return bytes;
    // Encode character by character so only the unencodable ones are lost.
    bytes.clear();
    for (const uint ucs : text.toUcs4()) {
        QByteArray one;
        bytes += EncodeText(QString::fromUcs4(reinterpret_cast<const char32_t*>(&ucs), 1), &one) ? one : "?";
    }
    return bytes;
}

// The characters of the text that the file cannot give back as they are, each once.
QString CharactersNotKept(const QString& text) {
    QString found;
    for (const uint ucs : text.toUcs4()) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&ucs), 1);
        if (ReadBack(one) != one && !found.contains(one)) found += (found.isEmpty() ? "" : " ") + one;
    }
    return found;
}

}  // namespace

QString ReadBack(const QString& text) { return DecodeText(EncodeOrMark(text)); }

std::optional<QByteArray> StoredForm(const QString& text) {
    QByteArray bytes;
    if (!EncodeText(text, &bytes)) return std::nullopt;
    return TrimField(bytes);
}

Fit CheckField(const QString& text, int width, Keeping keeping) {
    QByteArray bytes;
    if (!EncodeText(text, &bytes)) return Fit::NotEncodable;
    if (bytes.size() > width) return Fit::TooLong;
    if (keeping == Keeping::Exact && (ReadBack(text) != text || TrimField(bytes) != bytes)) return Fit::Changes;
    return Fit::Fits;
}

QString WhyNotStored(const QString& text, int width, const QString& fieldName, Keeping keeping) {
    switch (CheckField(text, width, keeping)) {
    case Fit::Fits: return {};
    case Fit::NotEncodable:
        return QStringLiteral("The %1 holds characters that cannot be stored in the file: %2")
            .arg(fieldName, CharactersNotKept(text));
    case Fit::TooLong:
        return QStringLiteral("The %1 is too long: at most %2 bytes can be stored.").arg(fieldName).arg(width);
    case Fit::Changes: {
        const QString characters = CharactersNotKept(text);
        if (characters.isEmpty())
            return QStringLiteral("The %1 starts or ends with a blank, which the file does not keep.").arg(fieldName);
        return QStringLiteral("The %1 holds characters that the file gives back as others: %2")
            .arg(fieldName, characters);
    }
    }
    return {};
}

QByteArray PadField(const QString& text, int width) { return PadBytes(EncodeOrMark(text), width); }

QByteArray PadBytes(const QByteArray& bytes, int width) {
    QByteArray field;
    for (qsizetype i = 0; i < bytes.size();) {
        const int len = IsLeadByte(uchar(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        if (field.size() + len > width) break;
        field += bytes.mid(i, len);
        i += len;
    }
    field.append(QByteArray(width - field.size(), ' '));
    return field;
}

QByteArray TrimField(const QByteArray& field) {
    if (field.isEmpty() || field[0] == '\0') return {};
    qsizetype begin = 0, end = field.size();
    while (begin < end && field[begin] == ' ') ++begin;
    while (end > begin && field[end - 1] == ' ') --end;
    return field.mid(begin, end - begin);
}

mode_t DefaultFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool ReadRecords(const QString& path, int firstRecord, int count, mode_t newFileMode, QList<Fields>* records,
                 QString* error) {
    records->clear();
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT, newFileMode);
    if (fd < 0 && errno != EACCES && errno != EROFS) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, ErrnoText());
        return false;
    }
    if (fd >= 0) ::close(fd);

    QFile file(path);
    QByteArray content;
    if (file.open(QIODevice::ReadOnly)) content = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    for (int r = firstRecord; r < firstRecord + count; ++r)
        records->append(SplitRecord(content.mid(qsizetype(r - 1) * RecordLength, RecordLength)));
    return true;
}

PendingFile::~PendingFile() {
    if (!temp_.isEmpty()) ::unlink(temp_.constData());
}

bool PendingFile::Commit(QString* error) {
    const bool ok = !temp_.isEmpty() && (inPlace_ ? WriteInPlace() : ::rename(temp_.constData(), target_.constData()) == 0);
    if (!ok) {
        if (error) *error = QStringLiteral("%1: %2").arg(path_, temp_.isEmpty() ? QStringLiteral("not written") : ErrnoText());
        return false;
    }
    if (inPlace_) {
        ::unlink(temp_.constData());
    } else {
        // Make the rename itself durable.
        const int dir = ::open(QFile::encodeName(QFileInfo(QFile::decodeName(target_)).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    temp_.clear();
    return true;
}

// A file with other hard links keeps them: the new content is written over the old in
// place (the temporary file showed that it fits on the disk).
bool PendingFile::WriteInPlace() const {
    const int fd = ::open(target_.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    NoFileSizeSignal quiet;
    const bool ok = WriteAll(fd, *inPlace_) && ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

bool CommitBackupThenData(PendingFile* backup, PendingFile* data, const QString& backupFailed,
                          const QString& dataFailed, QString* message) {
    QString error;
    if (!backup->Commit(&error)) {
        *message = backupFailed + QLatin1Char('\r') + error;
        return false;
    }
    if (!data->Commit(&error)) {
        *message = dataFailed + QLatin1Char('\r') + error;
        return false;
    }
    return true;
}

bool PrepareRecords(const QString& path, int firstRecord, const QList<QByteArray>& records, mode_t newFileMode,
                    PendingFile* pending, QString* error) {
    if (!pending->temp_.isEmpty()) ::unlink(pending->temp_.constData());
    pending->temp_.clear();
    pending->path_ = path;
    // A symbolic link (a data file kept in a synced folder) is followed: its target gets the
    // new content, and the link stays a link.
    const QFileInfo link(path);
    const QString resolved = !link.isSymLink()                     ? path
                             : link.canonicalFilePath().isEmpty() ? link.symLinkTarget()
                                                                  : link.canonicalFilePath();
    const QByteArray native = QFile::encodeName(resolved);
    pending->target_ = native;
    auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };

    // The old content and mode: every byte outside the written records is kept.
    QByteArray content;
    mode_t mode = newFileMode;
    struct stat st{};
    pending->inPlace_.reset();
    bool hardLinked = false;
    if (::stat(native.constData(), &st) == 0) {
        mode = st.st_mode & 07777;
        hardLinked = st.st_nlink > 1;
        // The rename would replace even a file that is read-only: write only what could
        // be written in place.
        const int probe = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) return fail(ErrnoText());
        ::close(probe);
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly)) return fail(old.errorString());
        content = old.readAll();
        if (old.error() != QFileDevice::NoError) return fail(old.errorString());
    } else if (errno != ENOENT) {
        return fail(ErrnoText());
    }

    const qsizetype start = qsizetype(firstRecord - 1) * RecordLength;
    const qsizetype end = start + records.size() * RecordLength;
    if (content.size() < end) content.append(QByteArray(end - content.size(), '\0'));
    for (int i = 0; i < records.size(); ++i) {
        QByteArray record = records[i].left(RecordLength);
        record.append(QByteArray(RecordLength - record.size(), '\0'));
        std::memcpy(content.data() + start + qsizetype(i) * RecordLength, record.constData(), RecordLength);
    }

    const QFileInfo info(resolved);
    QByteArray temp =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail(ErrnoText());
    bool ok;
    QString why;
    {
        NoFileSizeSignal quiet;
        ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
        if (!ok) why = ErrnoText();  // before the signal's old action is put back
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = ErrnoText();
    }
    if (!ok) {
        ::unlink(temp.constData());
        return fail(why);
    }
    pending->temp_ = temp;
    if (hardLinked) pending->inPlace_ = content;
    return true;
}

bool WriteRecords(const QString& path, int firstRecord, const QList<QByteArray>& records,
                  mode_t newFileMode, QString* error) {
    PendingFile pending;
    return PrepareRecords(path, firstRecord, records, newFileMode, &pending, error) && pending.Commit(error);
}

}  // namespace noterecord

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <sys/types.h>

// The 512-byte record shared by the data files of the notebooks: six fixed-width
// fields of text in the ANSI code page (CP932), space padded, no terminator.
// A field whose first byte is 0 is empty; a record never written is all zero bytes.
namespace noterecord {

constexpr int RecordLength = 512;
constexpr int FieldCount = 6;
constexpr std::array<int, FieldCount> FieldOffset{0, 100, 150, 168, 186, 486};
constexpr std::array<int, FieldCount> FieldWidth{100, 50, 18, 18, 300, 26};

// One record as the raw bytes of its six fields, each exactly its width.
using Fields = std::array<QByteArray, FieldCount>;

Fields SplitRecord(const QByteArray& record);   // record shorter than 512 reads as zero-padded
QByteArray JoinRecord(const Fields& fields);   // each field cut or zero-padded to its width

// Text in CP932. Returns false when some character has no CP932 form.
bool EncodeText(const QString& text, QByteArray* bytes);
// CP932 bytes to text; a byte that starts no valid character (e.g. a lead byte cut off
// at the end of a field) becomes U+FFFD instead of swallowing what follows.
QString DecodeText(const QByteArray& bytes);

// Text as the file gives it back: CP932 stores a few characters in the form of others,
// so "—" reads back as "―" (likewise 〜 − ¢ £ ¬ ‖); characters without a form as '?'.
QString ReadBack(const QString& text);
// The bytes a field keeps of the text (CP932, without blanks at either end); nothing when
// some character has no CP932 form. Texts with the same stored form read back the same.
std::optional<QByteArray> StoredForm(const QString& text);

// How exactly a field must keep a text: as stored (it may read back changed: titles,
// comments), or exactly as entered (what the notebook types).
enum class Keeping { AsStored, Exact };
// Why a text cannot be stored in a field: it has no CP932 form, it is too long, or (kept
// exactly) it would read back changed.
enum class Fit { Fits, NotEncodable, TooLong, Changes };
Fit CheckField(const QString& text, int width, Keeping keeping = Keeping::AsStored);
// The same as a sentence naming the field and the characters ("The comment is too long:
// ..."), or empty when the text fits.
QString WhyNotStored(const QString& text, int width, const QString& fieldName, Keeping keeping = Keeping::AsStored);

// Text left-aligned in a field of the given width, space padded. Text longer than
// the width is cut at a character boundary (a double-byte character is never split;
// the byte it would have used becomes a space). Characters without a CP932 form
// become '?'; callers that must not lose text check CheckField first.
QByteArray PadField(const QString& text, int width);

// A field as the program works with it: empty when its first byte is 0, otherwise
// without its leading and trailing spaces (a space is never part of a double-byte
// character, so trimming bytes is trimming characters).
QByteArray TrimField(const QByteArray& field);

// The same field's bytes left-aligned in its width, space padded (bytes are cut to
// the width at a character boundary).
QByteArray PadBytes(const QByteArray& bytes, int width);

// Reads count records from firstRecord (numbered from 1) of the file at path,
// creating it empty with newFileMode when it is missing; bytes past the end of the
// file read as zero. A read-only file is read; one that can be neither read nor
// created gives false and *error.
bool ReadRecords(const QString& path, int firstRecord, int count, mode_t newFileMode, QList<Fields>* records,
                 QString* error);

// The mode a new file gets when the user's umask decides (0666 less the umask).
mode_t DefaultFileMode();

// A file's new content, written in full to a temporary file in the same folder and
// flushed to disk, waiting to take the file's place. Until Commit the file is as it was;
// a pending file that is never committed is removed. A symbolic link is followed; a file
// with several hard links is written over in place, so that all its names see the content.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();
    // Renames the new content over the file. Returns false with *error when it fails.
    bool Commit(QString* error);

private:
    friend bool PrepareRecords(const QString&, int, const QList<QByteArray>&, mode_t, PendingFile*, QString*);
    bool WriteInPlace() const;

    QString path_;       // the name the user knows, for messages
    QByteArray target_;  // the file written: a symbolic link's target
    QByteArray temp_;
    std::optional<QByteArray> inPlace_;  // the new content, when the file has other hard links
};

// Prepares writing records firstRecord.. (numbered from 1) into the file at path, keeping
// every other byte of the file (records before, records after) as it was. An existing
// file keeps its mode; a new one gets newFileMode. A file that may not be written (a
// read-only file) is refused, and so is a write past the process's file-size limit.
// On failure nothing is left behind and *error says why.
bool PrepareRecords(const QString& path, int firstRecord, const QList<QByteArray>& records, mode_t newFileMode,
                    PendingFile* pending, QString* error);

// Commits a save's backup, then its data file. When one fails, *message is that file's
// failure text followed by the reason, and the data file is left as it was.
bool CommitBackupThenData(PendingFile* backup, PendingFile* data, const QString& backupFailed,
                          const QString& dataFailed, QString* message);

// PrepareRecords and Commit in one: a crash leaves either the old or the new content,
// and nothing is changed when it fails.
bool WriteRecords(const QString& path, int firstRecord, const QList<QByteArray>& records,
                  mode_t newFileMode, QString* error);

}  // namespace noterecord

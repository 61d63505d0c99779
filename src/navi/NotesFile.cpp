#include "NotesFile.h"

#include <QList>
#include <algorithm>

namespace {
constexpr int TitleField = 0, CommentField = 4;
}  // namespace

bool NotesFile::FileToData(const QString& path, QString* error) {
    loaded_ = false;
    noteData_ = Table{};
    QList<noterecord::Fields> records;
    if (!noterecord::ReadRecords(path, RecBase, Notes, noterecord::DefaultFileMode(), &records, error)) return false;
    for (int k = 0; k < Notes; ++k)
        for (int f = 0; f < noterecord::FieldCount; ++f) noteData_[k][f] = noterecord::TrimField(records[k][f]);
    loaded_ = true;
    return true;
}

QString NotesFile::Title(int k) const { return noterecord::DecodeText(noterecord::TrimField(noteData_[k - 1][TitleField])); }
QString NotesFile::Comment(int k) const {
    return noterecord::DecodeText(noterecord::TrimField(noteData_[k - 1][CommentField]));
}

QString NotesFile::CheckNote(const QString& title, const QString& comment) {
    QString why = noterecord::WhyNotStored(title, noterecord::FieldWidth[TitleField], QStringLiteral("window title"));
    if (why.isEmpty())
        why = noterecord::WhyNotStored(comment, noterecord::FieldWidth[CommentField], QStringLiteral("comment"));
    return why.isEmpty() ? why : why + QStringLiteral(" Nothing was saved.");
}

QString NotesFile::NotLoadedMessage() {
    return QStringLiteral("The notes file could not be read when this window opened, so nothing was saved "
                          "or deleted (the stored notes are kept). Close and reopen the notes window to try again.");
}

bool NotesFile::DataToFile(const Table& table, const QString& path, noterecord::PendingFile* pending,
                           QString* error) {
    QList<QByteArray> records;
    for (const noterecord::Fields& note : table) {
        noterecord::Fields padded;
        for (int f = 0; f < noterecord::FieldCount; ++f)
            padded[f] = noterecord::PadBytes(note[f], noterecord::FieldWidth[f]);
        records << noterecord::JoinRecord(padded);
    }
    return noterecord::PrepareRecords(path, RecBase, records, noterecord::DefaultFileMode(), pending, error);
}

bool NotesFile::SaveNotes(const QStringList& titles, const QStringList& comments, const QString& dataPath,
                          const QString& backupPath, QString* message) {
    if (!loaded_) {
        *message = NotLoadedMessage();
        return false;
    }
    QString error;
    noterecord::PendingFile backup, data;
    if (!DataToFile(noteData_, backupPath, &backup, &error)) {
        *message = QStringLiteral("The backup of the notes could not be written, so nothing was saved.\r") + error;
        return false;
    }
    Table rebuilt = noteData_;
    for (int k = 0; k < Notes; ++k) {
        const QString title = titles.value(k);
        const bool used = !title.isEmpty();
        rebuilt[k][TitleField] = used ? noterecord::PadField(title, noterecord::FieldWidth[TitleField]) : QByteArray();
        rebuilt[k][CommentField] =
            used ? noterecord::PadField(comments.value(k), noterecord::FieldWidth[CommentField]) : QByteArray();
    }
    if (!DataToFile(rebuilt, dataPath, &data, &error)) {
        *message = QStringLiteral("The notes file could not be written; it and its backup keep their previous "
                                  "notes.\r") + error;
        return false;
    }
    if (!noterecord::CommitBackupThenData(
            &backup, &data, QStringLiteral("The backup of the notes could not be written, so nothing was saved."),
            QStringLiteral("The notes file could not be written; it keeps its previous notes."), message))
        return false;
    noteData_ = rebuilt;
    return true;
}

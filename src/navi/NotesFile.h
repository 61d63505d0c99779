#pragma once

#include "NoteRecord.h"

#include <QString>
#include <QStringList>
#include <array>

// The notes table and its file "navilist.dat": notes 1 to 24 are records 10 to 33,
// field 1 the window title, field 5 the comment; the other fields are carried along
// as they were read. Every save first writes the previous generation to the backup.
class NotesFile {
public:
    static constexpr int Notes = 24;
    static constexpr int RecBase = 10;

    // Reads the notes from path, creating the file empty when it is missing. On failure
    // every note is empty, *error says why, and saving is refused until a later load
    // succeeds, so the empty table never replaces the stored notes.
    bool FileToData(const QString& path, QString* error);
    bool Loaded() const { return loaded_; }

    // Note k (1 to 24) as loaded or last saved; empty texts for an empty note.
    QString Title(int k) const;
    QString Comment(int k) const;

    // Why a new note cannot be stored as it stands (too long in bytes, or characters
    // the file cannot hold), or empty.
    static QString CheckNote(const QString& title, const QString& comment);

    // Writes the table as it stands to backupPath, then notes rebuilt from the lists
    // (position k - 1 is note k) to dataPath. Both files are written in full before
    // either takes its place, so a failure (a full disk, say) leaves both as they were.
    // Returns false with one message then; the table keeps the stored state.
    bool SaveNotes(const QStringList& titles, const QStringList& comments, const QString& dataPath,
                   const QString& backupPath, QString* message);

    // The message for a save or delete refused after a failed load.
    static QString NotLoadedMessage();

private:
    using Table = std::array<noterecord::Fields, Notes>;
    static bool DataToFile(const Table& table, const QString& path, noterecord::PendingFile* pending,
                           QString* error);

    Table noteData_{};  // the file's bytes of each field: trimmed as read, padded as saved
    bool loaded_ = false;
};

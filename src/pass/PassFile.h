#pragma once

#include "NoteRecord.h"

#include <QString>
#include <array>

// The password notebook's two tables and its file "palist.dat": entries 1 to 24 are
// records 10 to 33; every save first writes the previous generation to "palist.bak".
class PassFile {
public:
    static constexpr int Entries = 24;
    static constexpr int Fields = noterecord::FieldCount;
    static constexpr int RecBase = 10;

    // Reads the entries from dataPath, creating the file empty (mode 0600) when it is
    // missing. On failure every entry is empty, *error says why, and saving is refused
    // until a later Load succeeds, so the empty table never overwrites the stored one.
    bool Load(const QString& dataPath, QString* error);
    bool Loaded() const { return loaded_; }

    // PassFields -> PassData: a field starting with a zero byte is empty, others lose
    // their leading and trailing spaces.
    void TrimFields();

    // Working texts (the window shows, edits and types these), k = 1..24, f = 1..6.
    QString& Data(int k, int f) { return passData_[k - 1][f - 1]; }
    const QString& Data(int k, int f) const { return passData_[k - 1][f - 1]; }
    // Stored field bytes at full width, as read or as merged by the last save.
    const QByteArray& Field(int k, int f) const { return passFields_[k - 1][f - 1]; }

    // Why texts for fields 1 to 5 cannot be stored as they stand (a message naming
    // the field: too long in bytes, or not encodable), or empty.
    static QString CheckTexts(const std::array<QString, 5>& texts);
    QString CheckEntry(int k) const;

    // Writes the 24 entries of the stored table (not the working one) to path.
    bool FieldToData(const QString& path, QString* error) const {
        noterecord::PendingFile pending;
        return Prepare(passFields_, path, &pending, error) && pending.Commit(error);
    }

    // Writes the previous generation to backupPath, merges the working table and
    // writes dataPath. The saved entry's edited fields (1 to 5) are stored as they are,
    // an emptied one as zero bytes; in other entries an empty working field keeps the
    // stored text. Both files are written in full before either takes its place, so a
    // failure leaves both as they were; it returns false with one message then.
    bool SavePass(int savedEntry, const QString& dataPath, const QString& backupPath, QString* message);

private:
    using Record = noterecord::Fields;
    static bool Prepare(const std::array<Record, Entries>& fields, const QString& path,
                        noterecord::PendingFile* pending, QString* error);

    std::array<Record, Entries> passFields_{};
    std::array<std::array<QString, Fields>, Entries> passData_{};
    bool loaded_ = false;
};

// Mode of password files the notebook creates: only the user may read them.
constexpr mode_t PassFileMode = 0600;

#include "PassFile.h"

#include <QList>
#include <algorithm>

namespace {

QString FieldName(int f) {
    switch (f) {
    case 1: return QStringLiteral("application name");
    case 2: return QStringLiteral("login name");
    case 3: return QStringLiteral("key after the login name");
    case 4: return QStringLiteral("key after the password");
    case 5: return QStringLiteral("password");
    default: return QStringLiteral("field %1").arg(f);
    }
}

}  // namespace

bool PassFile::Load(const QString& dataPath, QString* error) {
    loaded_ = false;
    for (auto& record : passFields_)
        for (int f = 0; f < Fields; ++f) record[f] = QByteArray(noterecord::FieldWidth[f], '\0');
    QList<Record> records;
    if (noterecord::ReadRecords(dataPath, RecBase, Entries, PassFileMode, &records, error)) {
        std::copy(records.begin(), records.end(), passFields_.begin());
        loaded_ = true;
    }
    TrimFields();
    return loaded_;
}

void PassFile::TrimFields() {
    for (int f = 0; f < Fields; ++f)
        for (int k = 0; k < Entries; ++k) passData_[k][f] = noterecord::DecodeText(noterecord::TrimField(passFields_[k][f]));
}

QString PassFile::CheckEntry(int k) const {
    return CheckTexts({Data(k, 1), Data(k, 2), Data(k, 3), Data(k, 4), Data(k, 5)});
}

QString PassFile::CheckTexts(const std::array<QString, 5>& texts) {
    for (int f = 1; f <= 5; ++f) {
        // What is typed must come back from the file exactly as it was entered.
        const auto keeping = f == 2 || f == 5 ? noterecord::Keeping::Exact : noterecord::Keeping::AsStored;
        const QString why = noterecord::WhyNotStored(texts[f - 1], noterecord::FieldWidth[f - 1], FieldName(f), keeping);
        if (!why.isEmpty()) return why;
    }
    return {};
}

bool PassFile::Prepare(const std::array<Record, Entries>& fields, const QString& path,
                       noterecord::PendingFile* pending, QString* error) {
    QList<QByteArray> records;
    for (const Record& record : fields) records << noterecord::JoinRecord(record);
    return noterecord::PrepareRecords(path, RecBase, records, PassFileMode, pending, error);
}

bool PassFile::SavePass(int savedEntry, const QString& dataPath, const QString& backupPath, QString* message) {
    if (!loaded_) {
        *message = QStringLiteral("The password file could not be read, so nothing was saved "
                                  "(the stored entries are kept). Close and reopen the notebook to try again.");
        return false;
    }
    if (savedEntry >= 1 && savedEntry <= Entries) {
        const QString why = CheckEntry(savedEntry);
        if (!why.isEmpty()) {
            *message = why + QStringLiteral(" Nothing was saved.");
            return false;
        }
    }

    QString error;
    noterecord::PendingFile backup, data;
    if (!Prepare(passFields_, backupPath, &backup, &error)) {
        *message = QStringLiteral("The backup could not be written, so nothing was saved.\r") + error;
        return false;
    }

    std::array<Record, Entries> merged = passFields_;
    for (int f = 0; f < Fields; ++f)
        for (int k = 0; k < Entries; ++k) {
            const QString& text = passData_[k][f];
            const int width = noterecord::FieldWidth[f];
            if (!text.isEmpty()) merged[k][f] = noterecord::PadField(text, width);
            else if (k + 1 == savedEntry && f < 5) merged[k][f] = QByteArray(width, '\0');
        }
    if (!Prepare(merged, dataPath, &data, &error)) {
        *message = QStringLiteral("The password file could not be written; it and its backup keep their previous "
                                  "entries.\r") + error;
        return false;
    }
    if (!noterecord::CommitBackupThenData(
            &backup, &data, QStringLiteral("The backup could not be written, so nothing was saved."),
            QStringLiteral("The password file could not be written; it keeps its previous entries."), message))
        return false;
    passFields_ = merged;
    return true;
}

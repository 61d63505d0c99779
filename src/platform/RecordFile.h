#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>

// A random-access file of fixed-length records numbered from 1 (record r starts at
// byte (r - 1) * recordLength). Opening creates a missing file and never truncates;
// a file that cannot be opened for writing is opened read-only. Bytes past the end
// read as zero. Callers open, read or write, and close within one operation.
class RecordFile {
public:
    // Returns null and sets *error when the file can be neither opened nor created.
    static std::unique_ptr<RecordFile> Open(const QString& path, int recordLength, QString* error = nullptr);

    QByteArray Read(int record);
    // Returns false (with Error()) when the record could not be written in full.
    bool Write(int record, const QByteArray& bytes);
    bool IsReadOnly() const { return !(file_.openMode() & QIODevice::WriteOnly); }
    QString Error() const { return file_.errorString(); }

private:
    RecordFile(const QString& path, int recordLength) : file_(path), recordLength_(recordLength) {}
    QFile file_;
    int recordLength_;
};

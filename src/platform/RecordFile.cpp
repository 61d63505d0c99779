#include "RecordFile.h"

std::unique_ptr<RecordFile> RecordFile::Open(const QString& path, int recordLength, QString* error) {
    std::unique_ptr<RecordFile> file(new RecordFile(path, recordLength));
    if (file->file_.open(QIODevice::ReadWrite) || file->file_.open(QIODevice::ReadOnly)) return file;
    if (error) *error = file->file_.errorString();
    return nullptr;
}

QByteArray RecordFile::Read(int record) {
    QByteArray bytes(recordLength_, '\0');
    const qint64 offset = qint64(record - 1) * recordLength_;
    if (record >= 1 && file_.seek(offset)) {
        const qint64 got = file_.read(bytes.data(), recordLength_);
        if (got < recordLength_) std::fill(bytes.begin() + std::max<qint64>(got, 0), bytes.end(), '\0');
    }
    return bytes;
}

bool RecordFile::Write(int record, const QByteArray& bytes) {
    if (record < 1 || IsReadOnly()) return false;
    QByteArray padded = bytes.left(recordLength_);
    padded.append(QByteArray(recordLength_ - padded.size(), '\0'));
    return file_.seek(qint64(record - 1) * recordLength_) && file_.write(padded) == recordLength_ && file_.flush();
}

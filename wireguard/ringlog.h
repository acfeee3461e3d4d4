#pragma once

#include <QFile>
#include <QString>

// The engine's log as a binary ring of fixed records:
//   header: magic 0x0BADBABE (u32), record count (i32)        little-endian
//   record: time stamp in ns since the epoch (i64), text (512 bytes, NUL-padded)
// The count says how many records are present (at most the capacity); once
// the ring is full the oldest record is overwritten.
class RingLog
{
public:
    static constexpr quint32 magic = 0x0BADBABE;
    static constexpr int headerSize = 8;
    static constexpr int textSize = 512;
    static constexpr int recordSize = 8 + textSize;

    explicit RingLog(int capacity = 2048);

    // Starts a new log at the path (truncating it); false when it cannot be written.
    bool open(const QString &path);
    void write(const QString &text);
    void write(qint64 timeStampNs, const QString &text);
    bool isOpen() const { return m_file.isOpen(); }

    // One record as stored: the text is cut at 512 bytes, never inside a UTF-8 sequence.
    static QByteArray record(qint64 timeStampNs, const QString &text);

private:
    QFile m_file;
    int m_capacity;
    qint64 m_written = 0;
};

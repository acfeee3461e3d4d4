#include "ringlog.h"

#include <QDateTime>
#include <QtEndian>

RingLog::RingLog(int capacity) : m_capacity(qMax(1, capacity))
{ }

bool RingLog::open(const QString &path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return false;
    m_written = 0;
    char header[headerSize];
    qToLittleEndian<quint32>(magic, header);
    qToLittleEndian<qint32>(0, header + 4);
    return m_file.write(header, headerSize) == headerSize && m_file.flush();
}

QByteArray RingLog::record(qint64 timeStampNs, const QString &text)
{
    QByteArray bytes(recordSize, '\0');
    qToLittleEndian<qint64>(timeStampNs, bytes.data());
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > textSize) {
        int cut = textSize;
        // Step back over continuation bytes so no character is split.
        while (cut > 0 && (static_cast<uchar>(utf8.at(cut)) & 0xC0) == 0x80)
            --cut;
        utf8.truncate(cut);
    }
    memcpy(bytes.data() + 8, utf8.constData(), static_cast<size_t>(utf8.size()));
    return bytes;
}

void RingLog::write(const QString &text)
{
    write(QDateTime::currentMSecsSinceEpoch() * 1000000, text);
}

void RingLog::write(qint64 timeStampNs, const QString &text)
{
    if (!m_file.isOpen())
        return;
    const qint64 slot = m_written % m_capacity;
    ++m_written;
    if (!m_file.seek(headerSize + slot * recordSize))
        return;
    m_file.write(record(timeStampNs, text));
    char count[4];
    qToLittleEndian<qint32>(static_cast<qint32>(qMin<qint64>(m_written, m_capacity)), count);
    if (m_file.seek(4))
        m_file.write(count, 4);
    m_file.flush();
}

#include "wireguardlogger.h"

#include <QDateTime>
#include <QDebug>
#include <QtEndian>

WireGuardLogger::WireGuardLogger() : m_watcher(new QFileSystemWatcher(this))
{
    setObjectName(QStringLiteral("WireGuardLogger"));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &WireGuardLogger::onFileChanged);
}

void WireGuardLogger::setFile(const QString &path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        qCritical().noquote() << objectName() + QStringLiteral(": Can't open file '%1'!").arg(path);
        return;
    }
    const QStringList watched = m_watcher->files();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_watcher->addPath(path);
}

void WireGuardLogger::close()
{
    if (m_file.isOpen())
        m_file.close();
}

void WireGuardLogger::read()
{
    if (!m_file.isOpen())
        return;
    const QByteArray data = m_file.readAll();
    if (!data.isEmpty())
        readBytes(data);
}

quint32 WireGuardLogger::bytesToInteger(const QByteArray &data)
{
    if (data.size() < 4)
        return 0;
    return qFromLittleEndian<quint32>(data.constData());
}

bool WireGuardLogger::checkHeader(const QByteArray &data)
{
    m_lineCount = 0;
    if (data.size() <= 3 || bytesToInteger(data) != magic)
        return false;
    if (data.size() < headerReadSize)
        return false;
    m_lineCount = qFromLittleEndian<qint32>(data.constData() + 4);
    if (m_lineCount < 0) {
        m_lineCount = 0;
        return false;
    }
    return true;
}

bool WireGuardLogger::readBytes(const QByteArray &data)
{
    if (!checkHeader(data)) {
        qCritical().noquote() << objectName() + QStringLiteral(": Cannot read header!");
        return false;
    }
    qInfo().noquote() << objectName()
            + QStringLiteral(": Using filename '%1', total lines: %2")
                  .arg(m_file.fileName())
                  .arg(m_lineCount);
    emit lineCount(m_lineCount);

    int offset = headerReadSize;
    for (int i = 0; i < m_lineCount && data.size() - offset >= recordSize; ++i, offset += recordSize) {
        const qint64 nanoseconds = qFromLittleEndian<qint64>(data.constData() + offset);
        const QByteArray field = data.mid(offset + 8, textSize);
        const int nul = field.indexOf('\0');
        const QString text = QString::fromUtf8(nul >= 0 ? field.left(nul) : field);
        const QString time = QDateTime::fromSecsSinceEpoch(nanoseconds / 1000000000)
                                 .toLocalTime()
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QString line = time + QLatin1Char(' ') + text;
        qInfo().noquote() << objectName() + QStringLiteral(": ") + line;
        emit lineReaded(line);
    }
    return true;
}

void WireGuardLogger::onFileChanged(const QString &path)
{
    qInfo().noquote() << objectName() + QStringLiteral(": File '%1' changed").arg(path);
    read();
}

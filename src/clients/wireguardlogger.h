#pragma once

#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>

// Reads the WireGuard engine's binary ring log and turns each record into a
// line with a local time stamp, written to the application log and emitted.
// It follows the file: on every change it reads what was appended since.
class WireGuardLogger : public QObject
{
    Q_OBJECT

public:
    WireGuardLogger();

    void setFile(const QString &path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    void read();
    bool readBytes(const QByteArray &data);
    bool checkHeader(const QByteArray &data);
    static quint32 bytesToInteger(const QByteArray &data);

    static constexpr quint32 magic = 0x0BADBABE;
    static constexpr int headerReadSize = 8;
    static constexpr int textSize = 512;
    static constexpr int recordSize = 8 + textSize;

signals:
    void lineCount(int lineCount);
    void lineReaded(const QString &line);

public slots:
    void onFileChanged(const QString &path);

private:
    QFile m_file;
    QFileSystemWatcher *m_watcher;
    int m_lineCount = 0;
};

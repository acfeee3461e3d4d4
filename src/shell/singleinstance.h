#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One running instance per user and application id. The first instance holds
// a lock file and listens on a local socket; a later start finds it, sends it
// a message and leaves. A lock or socket left behind by a crash, or a lock
// file with garbage in it, never prevents a start: a lock whose holder does
// not answer on the socket is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &applicationId, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another instance of the same user and id answers.
    bool isRunning() const { return !m_primary; }
    // Sends the message to the running instance; false when it could not be delivered in time.
    bool sendMessage(const QString &message, int timeoutMs);

    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_lockPath; }

    static constexpr int maxMessageSize = 64 * 1024;

signals:
    void messageReceived(const QString &message);

private:
    bool becomePrimary();
    bool otherInstanceAnswers(int timeoutMs) const;
    void onNewConnection();

    QString m_socketPath;
    QString m_lockPath;
    QLockFile *m_lock = nullptr;
    QLocalServer *m_server = nullptr;
    bool m_primary = false;
};

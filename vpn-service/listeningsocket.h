#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// The service's TCP listening socket on 127.0.0.1, accepting by itself.
//
// QTcpServer cannot be trusted to come back after the process ran out of
// descriptors: once its socket engine has recorded one error, a later
// "too many open files" reads as a temporary condition and the server spins on
// the pending connection forever. Here, running out pauses accepting and it
// resumes retryDelay later, for as long as it takes; the connections wait in
// the kernel's queue meanwhile.
class ListeningSocket : public QObject
{
    Q_OBJECT

public:
    static constexpr int retryDelay = 250;
    static constexpr int backlog = 64;

    explicit ListeningSocket(QObject *parent = nullptr);
    ~ListeningSocket() override;

    bool listen(quint16 port);
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }

signals:
    // A new connection's descriptor; the receiver owns it.
    void connection(int descriptor);
    // Accepting failed for lack of resources and is paused for a while.
    void acceptPaused(const QString &reason);

private:
    void onReadable();

    int m_fd = -1;
    quint16 m_port = 0;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_retry = nullptr;
};

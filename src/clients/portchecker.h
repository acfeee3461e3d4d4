#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QTimer;
class TcpConnection;

// Probes the TCP ports of a server all at once and reports the ones whose
// connection succeeds (with stop-on-first, only the first), or a timeout when
// none succeeds in time. Refused and unreachable ports stay silent.
class PortChecker : public QObject
{
    Q_OBJECT

public:
    PortChecker(const QString &host, const QList<quint16> &ports, int timeoutSeconds,
                QObject *parent = nullptr);
    ~PortChecker() override;

    void start(bool stopOnFirst);
    void abort();

signals:
    void portIsAvailable(quint16 port);
    void timeout();

public slots:
    void onPortIsAvailable(quint16 port);
    void onTimeout();

private:
    QList<TcpConnection *> m_connections;
    QString m_portsText;
    QTimer *m_timer = nullptr;
    bool m_stopOnFirst = false;
    int m_timeout = 0;
    bool m_finished = false;
};

// The ports in decimal joined by ", ".
QString networkPortsToString(const QList<quint16> &ports);

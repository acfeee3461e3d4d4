#pragma once

#include <QObject>
#include <QString>

class QTcpSocket;

// One TCP connection attempt of the port checker; reports the port when the
// handshake completes and stays silent otherwise.
class TcpConnection : public QObject
{
    Q_OBJECT

public:
    TcpConnection(const QString &host, quint16 port, QObject *parent = nullptr);
    ~TcpConnection() override;

    void connectToHost();
    void abort();

    QString host() const { return m_host; }
    quint16 port() const { return m_port; }

signals:
    void portIsAvailable(quint16 port);

public slots:
    void onConnected();

private:
    QString m_host;
    quint16 m_port = 0;
    QTcpSocket *m_socket = nullptr;
};

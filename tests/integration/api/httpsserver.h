#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

class QSslSocket;

// A small HTTPS server on 127.0.0.1 for the API client's tests: it answers
// GET requests by their raw request target with canned replies, records what
// it was asked, and can hold a reply back until told to answer.
class HttpsServer : public QTcpServer
{
    Q_OBJECT

public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        bool hold = false;
        // Without a length the body ends when the connection closes.
        bool announceLength = true;
    };

    struct Request
    {
        QByteArray target;
        QHash<QByteArray, QByteArray> headers;
    };

    HttpsServer(const QSslCertificate &certificate, const QSslKey &key, QObject *parent = nullptr);

    void setReply(const QByteArray &target, const Reply &reply);
    void clearReplies();
    QList<Request> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    // Answers every held request.
    void releaseHeld();
    // Drops every held request without an answer.
    void dropHeld();

signals:
    void requestReceived(const QByteArray &target);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onReadyRead(QSslSocket *socket);
    void answer(QSslSocket *socket, const Reply &reply);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QByteArray, Reply> m_replies;
    QList<Request> m_requests;
    QList<QPair<QPointer<QSslSocket>, Reply>> m_held;
};

#include "httpsserver.h"

#include <QSslSocket>

HttpsServer::HttpsServer(const QSslCertificate &certificate, const QSslKey &key, QObject *parent)
    : QTcpServer(parent), m_certificate(certificate), m_key(key)
{ }

void HttpsServer::setReply(const QByteArray &target, const Reply &reply)
{
    m_replies.insert(target, reply);
}

void HttpsServer::clearReplies()
{
    m_replies.clear();
}

void HttpsServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->setProperty("buffer", QByteArray());
    connect(socket, &QSslSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), socket,
            [socket]() { socket->abort(); });
    socket->startServerEncryption();
}

void HttpsServer::onReadyRead(QSslSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("buffer", QByteArray());
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.target = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                   lines.at(i).mid(colon + 1).trimmed());
    }
    m_requests.append(request);

    Reply reply;
    reply.status = 404;
    reply.body = "not found";
    reply = m_replies.value(request.target, reply);
    if (reply.hold)
        m_held.append({QPointer<QSslSocket>(socket), reply});
    else
        answer(socket, reply);
    emit requestReceived(request.target);
}

void HttpsServer::answer(QSslSocket *socket, const Reply &reply)
{
    QByteArray text = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
    text += "Content-Type: application/octet-stream\r\n";
    if (reply.announceLength)
        text += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    text += "Connection: close\r\n\r\n";
    socket->write(text + reply.body);
    socket->disconnectFromHost();
}

void HttpsServer::releaseHeld()
{
    const auto held = m_held;
    m_held.clear();
    for (const auto &entry : held) {
        if (entry.first)
            answer(entry.first, entry.second);
    }
}

void HttpsServer::dropHeld()
{
    const auto held = m_held;
    m_held.clear();
    for (const auto &entry : held) {
        if (entry.first)
            entry.first->abort();
    }
}

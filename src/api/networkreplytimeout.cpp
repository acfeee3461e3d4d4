#include "networkreplytimeout.h"

#include <QDebug>
#include <QNetworkReply>
#include <QTimerEvent>

NetworkReplyTimeout::NetworkReplyTimeout(QNetworkReply *reply, int milliseconds) : QObject(reply)
{
    setObjectName(QStringLiteral("ReplyTimeout"));
    if (reply->isRunning())
        m_timer.start(milliseconds, this);
}

void NetworkReplyTimeout::set(QNetworkReply *reply, int milliseconds)
{
    if (reply)
        new NetworkReplyTimeout(reply, milliseconds);
}

void NetworkReplyTimeout::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    m_timer.stop();
    auto *reply = qobject_cast<QNetworkReply *>(parent());
    if (!reply) {
        qWarning().noquote() << objectName() + QStringLiteral(": Reply doesn't exists");
        return;
    }
    if (!reply->isRunning())
        return;
    const QString address = reply->url().toString();
    reply->close();
    qInfo().noquote() << objectName() + QStringLiteral(": Request '%1', cancelled by timer").arg(address);
}

#include "listeningsocket.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

ListeningSocket::ListeningSocket(QObject *parent) : QObject(parent), m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(retryDelay);
    connect(m_retry, &QTimer::timeout, this, [this]() {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

ListeningSocket::~ListeningSocket()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ListeningSocket::listen(quint16 port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (m_fd < 0 || ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0
        || ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(m_fd, backlog) != 0
        || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ListeningSocket::onReadable);
    return true;
}

void ListeningSocket::onReadable()
{
    for (;;) {
        const int descriptor = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor >= 0) {
            emit connection(descriptor);
            continue;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            continue;
        case EAGAIN:
            return;
        default:
            // Out of descriptors or memory: wait, and try again later.
            m_notifier->setEnabled(false);
            m_retry->start();
            emit acceptPaused(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
    }
}

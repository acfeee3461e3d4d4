#include "echoresponder.h"

#include "pingunix.h"

#include <QtEndian>

#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

EchoResponder::~EchoResponder()
{
    stop();
}

void EchoResponder::setBehaviour(const QString &address, const Behaviour &behaviour)
{
    in_addr parsed {};
    inet_pton(AF_INET, address.toLatin1().constData(), &parsed);
    m_behaviour.insert(parsed.s_addr, behaviour);
}

bool EchoResponder::start()
{
    m_receiver = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (m_receiver < 0) {
        return false;
    }
    // One sending socket per answering address, bound to it, so that the reply
    // comes from the address that was asked.
    for (auto it = m_behaviour.cbegin(); it != m_behaviour.cend(); ++it) {
        const int sender = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (sender < 0) {
            return false;
        }
        icmp_filter nothing {};
        nothing.data = ~0U;
        setsockopt(sender, SOL_RAW, ICMP_FILTER, &nothing, sizeof(nothing));
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = it.key();
        if (::bind(sender, reinterpret_cast<const sockaddr *>(&local), sizeof(local)) != 0) {
            ::close(sender);
            return false;
        }
        m_senders.insert(it.key(), sender);
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void EchoResponder::stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (const int sender : qAsConst(m_senders)) {
        ::close(sender);
    }
    m_senders.clear();
    if (m_receiver >= 0) {
        ::close(m_receiver);
        m_receiver = -1;
    }
}

void EchoResponder::run()
{
    QByteArray buffer(2048, '\0');
    while (!m_stop.load()) {
        pollfd readable {m_receiver, POLLIN, 0};
        if (::poll(&readable, 1, 2) > 0) {
            const ssize_t size = ::recv(m_receiver, buffer.data(), size_t(buffer.size()), 0);
            if (size > 0) {
                handle(buffer.left(int(size)));
            }
        }
        const auto now = std::chrono::steady_clock::now();
        for (auto it = m_due.begin(); it != m_due.end();) {
            if (it->when > now) {
                ++it;
                continue;
            }
            sockaddr_in to {};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = it->destination;
            ::sendto(it->socket, it->message.constData(), size_t(it->message.size()), 0,
                     reinterpret_cast<const sockaddr *>(&to), sizeof(to));
            it = m_due.erase(it);
        }
    }
}

void EchoResponder::handle(const QByteArray &datagram)
{
    const auto *bytes = reinterpret_cast<const uchar *>(datagram.constData());
    const int headerLength = (bytes[0] & 0x0f) * 4;
    if (datagram.size() < headerLength + 8 || bytes[headerLength] != 8) {
        return;
    }
    quint32 source;
    quint32 destination;
    memcpy(&source, bytes + 12, 4);
    memcpy(&destination, bytes + 16, 4);
    if (!m_behaviour.contains(destination)) {
        return;
    }
    ++m_requestsSeen;
    const Behaviour behaviour = m_behaviour.value(destination);
    const int sender = m_senders.value(destination);

    QByteArray reply = datagram.mid(headerLength);
    reply[0] = 0;
    auto reseal = [](QByteArray message) {
        message[2] = 0;
        message[3] = 0;
        qToBigEndian<quint16>(PingUnix::checksum(message), reinterpret_cast<uchar *>(message.data()) + 2);
        return message;
    };
    const auto now = std::chrono::steady_clock::now();
    if (behaviour.decoyFirst) {
        QByteArray decoy = reply;
        const quint16 identifier
            = qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(decoy.constData()) + 4);
        qToBigEndian<quint16>(quint16(identifier ^ 0x8000), reinterpret_cast<uchar *>(decoy.data()) + 4);
        m_due.push_back({now, sender, source, reseal(decoy)});
    }
    if (behaviour.answer) {
        m_due.push_back({now + std::chrono::milliseconds(behaviour.delayMs), sender, source, reseal(reply)});
    }
}

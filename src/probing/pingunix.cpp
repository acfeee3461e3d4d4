#include "pingunix.h"

#include <QMutexLocker>
#include <QWaitCondition>
#include <QtEndian>

#include <memory>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/icmp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint8 echoReplyType = 0;
constexpr quint8 echoRequestType = 8;
constexpr int identifierOffset = 4;
constexpr int digitsOffset = 28;
constexpr int maxDigits = 4;
constexpr int receiveSize = 1024;
// Longest single wait for the socket, so that a cancellation is seen within one turn.
constexpr int turnMs = 10;

// A name lookup runs in a detached thread of its own, so that a resolver that
// never answers holds the probe up only for its time limit. Whoever finishes
// last (the lookup or the waiting probe) frees the state.
struct Resolution
{
    QByteArray host;
    QMutex mutex;
    QWaitCondition done;
    bool finished = false;
    bool found = false;
    in_addr_t address = 0;
};

void *resolveInBackground(void *argument)
{
    std::unique_ptr<std::shared_ptr<Resolution>> holder(static_cast<std::shared_ptr<Resolution> *>(argument));
    const std::shared_ptr<Resolution> resolution = *holder;

    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *result = nullptr;
    // getaddrinfo is thread-safe, unlike gethostbyname.
    const bool found = getaddrinfo(resolution->host.constData(), nullptr, &hints, &result) == 0 && result;
    in_addr_t address = 0;
    if (found) {
        address = reinterpret_cast<const sockaddr_in *>(result->ai_addr)->sin_addr.s_addr;
    }
    if (result) {
        freeaddrinfo(result);
    }

    QMutexLocker locker(&resolution->mutex);
    resolution->finished = true;
    resolution->found = found;
    resolution->address = address;
    resolution->done.wakeAll();
    return nullptr;
}

// Kernel-side filter for a raw socket: every raw ICMP socket of the machine
// receives a copy of every ICMP datagram, so without it a batch of N probes
// wakes each probe for all N replies. Passes only echo replies for identifier.
void attachReplyFilter(int socket, quint16 identifier)
{
    icmp_filter types {};
    types.data = ~(1U << echoReplyType);
    setsockopt(socket, SOL_RAW, ICMP_FILTER, &types, sizeof(types));

    sock_filter code[] = {
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0), // X = IPv4 header length
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0), // A = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, echoReplyType, 0, 3),
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, identifierOffset), // A = identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xffffffffU),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program {};
    program.len = sizeof(code) / sizeof(code[0]);
    program.filter = code;
    setsockopt(socket, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof(program));
    // What arrived before the filter was in place may fill the receive buffer
    // (a busy machine can hold the thread between socket() and here), and a
    // full buffer would drop the reply.
    char discarded[receiveSize];
    while (::recv(socket, discarded, sizeof(discarded), MSG_DONTWAIT) >= 0) { }
}

} // namespace

PingUnix::PingUnix(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("PingUnix"));
}

PingUnix::~PingUnix()
{
    closeSocket();
}

quint16 PingUnix::pingIdent()
{
    static QMutex mutex;
    static quint16 counter = 0;
    QMutexLocker locker(&mutex);
    counter = static_cast<quint16>(counter + 1);
    return counter;
}

quint16 PingUnix::checksum(const QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const int size = data.size();
    quint32 sum = 0;
    for (int i = 0; i + 1 < size; i += 2) {
        sum += quint32(bytes[i]) << 8 | bytes[i + 1];
    }
    if (size % 2) {
        sum += quint32(bytes[size - 1]) << 8;
    }
    while (sum >> 16) {
        sum = (sum & 0xffff) + (sum >> 16);
    }
    return static_cast<quint16>(~sum);
}

QByteArray PingUnix::echoRequest(quint16 identifier)
{
    QByteArray request(requestSize, '\0');
    auto *bytes = reinterpret_cast<uchar *>(request.data());
    bytes[0] = echoRequestType;
    qToBigEndian<quint16>(identifier, bytes + identifierOffset);
    qToBigEndian<quint16>(1, bytes + 6); // sequence number
    const QByteArray digits = QByteArray::number(identifier).left(maxDigits);
    std::copy(digits.cbegin(), digits.cend(), request.begin() + digitsOffset);
    qToBigEndian<quint16>(checksum(request), bytes + 2);
    return request;
}

bool PingUnix::isEchoReply(const QByteArray &datagram, quint16 identifier, bool withIpHeader)
{
    const auto *bytes = reinterpret_cast<const uchar *>(datagram.constData());
    int offset = 0;
    if (withIpHeader) {
        if (datagram.isEmpty()) {
            return false;
        }
        offset = (bytes[0] & 0x0f) * 4;
    }
    if (datagram.size() < offset + 8) {
        return false;
    }
    return bytes[offset] == echoReplyType
        && qFromBigEndian<quint16>(bytes + offset + identifierOffset) == identifier;
}

bool PingUnix::isAcceptableHost(const QString &text)
{
    if (text.isEmpty() || text.size() > 253) {
        return false;
    }
    QStringList labels = text.split(QLatin1Char('.'));
    if (labels.size() > 1 && labels.last().isEmpty()) {
        labels.removeLast(); // a fully qualified name's final dot
    }
    for (const QString &label : qAsConst(labels)) {
        if (label.isEmpty() || label.size() > 63) {
            return false;
        }
        for (const QChar c : label) {
            const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
                || c == QLatin1Char('_');
            if (!allowed) {
                return false;
            }
        }
    }
    return true;
}

void PingUnix::kill()
{
    QMutexLocker locker(&m_mutex);
    m_cancelled = true;
}

bool PingUnix::isCancelled()
{
    QMutexLocker locker(&m_mutex);
    return m_cancelled;
}

void PingUnix::updatePingState(bool success, uint value)
{
    if (m_resultReported) {
        return;
    }
    m_resultReported = true;
    emit finished(success, success ? value : failedValue);
}

void PingUnix::start(const QString &ip, int timeout, int count)
{
    Q_UNUSED(count)
    m_host = ip;
    m_timeout = timeout;
    m_ident = pingIdent();
    if (isCancelled()) {
        return;
    }

    quint32 address = 0;
    if (!openSocket() || !resolve(&address)) {
        closeSocket();
        if (!isCancelled()) {
            updatePingState(false, failedValue);
        }
        return;
    }
    if (isCancelled()) {
        closeSocket();
        return;
    }
    if (!send(address)) {
        closeSocket();
        updatePingState(false, failedValue);
        return;
    }
    waitForReply();
    closeSocket();
}

bool PingUnix::openSocket()
{
    closeSocket();
    // The protocol number is the constant: getprotobyname is not thread-safe
    // and fails on systems without /etc/protocols.
    m_socket = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    m_datagramSocket = false;
    if (m_socket < 0) {
        m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        m_datagramSocket = true;
    }
    if (m_socket < 0) {
        return false;
    }
    const int flags = fcntl(m_socket, F_GETFL, 0);
    if (flags < 0 || fcntl(m_socket, F_SETFL, flags | O_NONBLOCK) < 0) {
        return false;
    }
    if (!m_datagramSocket) {
        attachReplyFilter(m_socket, m_ident);
    }
    return true;
}

void PingUnix::closeSocket()
{
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

bool PingUnix::resolve(quint32 *address)
{
    if (!isAcceptableHost(m_host)) {
        return false;
    }
    const QByteArray host = m_host.toLatin1();
    in_addr numeric {};
    if (inet_pton(AF_INET, host.constData(), &numeric) == 1) {
        *address = numeric.s_addr;
        return true;
    }

    auto resolution = std::make_shared<Resolution>();
    resolution->host = host;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto *holder = new std::shared_ptr<Resolution>(resolution);
    pthread_t thread;
    const int started = pthread_create(&thread, &attributes, resolveInBackground, holder);
    pthread_attr_destroy(&attributes);
    if (started != 0) {
        delete holder;
        return false;
    }

    QElapsedTimer waited;
    waited.start();
    QMutexLocker locker(&resolution->mutex);
    while (!resolution->finished && waited.elapsed() < m_timeout) {
        locker.unlock();
        if (isCancelled()) {
            return false;
        }
        locker.relock();
        if (!resolution->finished) {
            resolution->done.wait(&resolution->mutex, turnMs);
        }
    }
    if (!resolution->found) {
        return false;
    }
    *address = resolution->address;
    return true;
}

bool PingUnix::send(quint32 address)
{
    sockaddr_in destination {};
    destination.sin_family = AF_INET;
    destination.sin_port = 0;
    destination.sin_addr.s_addr = address;
    const QByteArray request = echoRequest(m_ident);
    m_timer.start();
    const ssize_t sent = ::sendto(m_socket, request.constData(), size_t(request.size()), 0,
                                  reinterpret_cast<const sockaddr *>(&destination), sizeof(destination));
    if (sent != request.size()) {
        return false;
    }

    m_replyIdent = m_ident;
    if (m_datagramSocket) {
        // The kernel bound the socket on sending and wrote its local port into
        // the identifier field; replies carry that port.
        sockaddr_in local {};
        socklen_t length = sizeof(local);
        if (getsockname(m_socket, reinterpret_cast<sockaddr *>(&local), &length) != 0) {
            return false;
        }
        m_replyIdent = ntohs(local.sin_port);
    }
    return true;
}

void PingUnix::waitForReply()
{
    QByteArray datagram(receiveSize, Qt::Uninitialized);
    for (;;) {
        if (isCancelled()) {
            return;
        }
        const qint64 elapsed = m_timer.elapsed();
        if (elapsed > m_timeout) {
            break;
        }
        // poll, not select: a batch holds thousands of descriptors, beyond FD_SETSIZE.
        pollfd readable {m_socket, POLLIN, 0};
        const int wait = int(qMin<qint64>(turnMs, m_timeout - elapsed + 1));
        if (::poll(&readable, 1, wait) <= 0 || !(readable.revents & (POLLIN | POLLERR))) {
            continue;
        }
        const ssize_t received = ::recvfrom(m_socket, datagram.data(), receiveSize, 0, nullptr, nullptr);
        if (received < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                std::perror("recvfrom");
            }
            continue;
        }
        if (isEchoReply(QByteArray::fromRawData(datagram.constData(), int(received)), m_replyIdent,
                        !m_datagramSocket)) {
            m_lastResponseTime = quint32(m_timer.elapsed());
            updatePingState(true, m_lastResponseTime);
            return;
        }
    }
    updatePingState(false, failedValue);
}

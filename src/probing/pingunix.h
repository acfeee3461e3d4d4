#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QString>

// One ICMP echo probe of an IPv4 host: sends a single echo request and waits
// for the matching reply, blocking the calling thread (a worker thread of its
// own, see NativePing) for at most the time limit.
//
// Two socket kinds serve: a raw ICMP socket (root or CAP_NET_RAW), whose
// datagrams carry the IPv4 header, and, without those rights, the datagram
// ICMP socket where net.ipv4.ping_group_range admits the user's group. With the
// datagram socket the kernel puts the socket's local port in the identifier
// field and delivers replies without the IPv4 header; the probe then waits for
// that identifier.
//
// A PingUnix reports at most one result in its lifetime, through finished():
// the response time in whole milliseconds, or failedValue.
class PingUnix : public QObject
{
    Q_OBJECT
public:
    explicit PingUnix(QObject *parent = nullptr);
    ~PingUnix() override;

    // Result value of a probe that got no reply or could not be made.
    static constexpr uint failedValue = 100000;
    // Size of the echo request handed to the socket.
    static constexpr int requestSize = 33;

    // One probe. count is accepted for the callers' sake: exactly one request is sent.
    void start(const QString &ip, int timeout, int count);

    // Process-wide identifier counter: the next identifier, wrapping from 65535 to 0.
    static quint16 pingIdent();
    // The echo request for an identifier, checksum included.
    static QByteArray echoRequest(quint16 identifier);
    // Internet checksum (RFC 1071) of data; an odd last byte counts as padded with zero.
    static quint16 checksum(const QByteArray &data);
    // Whether a received datagram is the echo reply for identifier; withIpHeader
    // tells whether it begins with the IPv4 header (raw socket) or not.
    static bool isEchoReply(const QByteArray &datagram, quint16 identifier, bool withIpHeader);
    // Whether text can name an IPv4 host at all: a dotted address or a host name
    // of at most 253 characters in labels of 1 to 63 letters, digits, '-' or '_'.
    // Anything else (empty, IPv6, blanks) fails without asking the resolver.
    static bool isAcceptableHost(const QString &text);

public slots:
    // Thread-safe: ends a running probe within one 10 ms turn, and every later
    // probe at once, without a result.
    void kill();
    void updatePingState(bool success, uint value);

signals:
    void finished(bool success, uint value);

private:
    bool isCancelled();
    bool openSocket();
    void closeSocket();
    bool resolve(quint32 *address);
    bool send(quint32 address);
    void waitForReply();

    QString m_host;
    int m_timeout = 20000;
    quint16 m_ident = 0;
    // The identifier the reply carries: m_ident on a raw socket, the local port on a datagram socket.
    quint16 m_replyIdent = 0;
    int m_socket = -1;
    bool m_datagramSocket = false;
    QElapsedTimer m_timer;
    quint32 m_lastResponseTime = 0;
    bool m_resultReported = false;
    bool m_cancelled = false;
    QMutex m_mutex;
};

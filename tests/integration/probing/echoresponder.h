#pragma once

#include <QHash>
#include <QString>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// Answers ICMP echo requests to chosen local addresses after a chosen delay,
// in place of the kernel (which the test silences with icmp_echo_ignore_all;
// this kernel has no netem). Runs in a thread of its own, with a raw socket;
// needs root inside the test's network namespace.
class EchoResponder
{
public:
    struct Behaviour
    {
        int delayMs = 0;
        bool answer = true;
        // Sends at once a reply that carries another identifier (one no other probe of the test holds).
        bool decoyFirst = false;
    };

    ~EchoResponder();

    void setBehaviour(const QString &address, const Behaviour &behaviour);
    bool start();
    void stop();
    // Echo requests seen for the configured addresses.
    int requestsSeen() const { return m_requestsSeen.load(); }

private:
    struct Due
    {
        std::chrono::steady_clock::time_point when;
        int socket;
        quint32 destination;
        QByteArray message;
    };

    void run();
    void handle(const QByteArray &datagram);

    QHash<quint32, Behaviour> m_behaviour;
    QHash<quint32, int> m_senders;
    std::vector<Due> m_due;
    int m_receiver = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop {false};
    std::atomic<int> m_requestsSeen {0};
};

#include "quitsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};
pid_t ownPid = 0;

void onSignal(int signal)
{
    if (::getpid() != ownPid) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}
} // namespace

QuitSignals::QuitSignals(QObject *parent) : QObject(parent)
{ }

QuitSignals::~QuitSignals()
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::signal(signal, SIG_DFL);
}

bool QuitSignals::watch()
{
    if (m_notifier)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this]() {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1)
            emit received(int(byte));
    });
    ownPid = ::getpid();
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

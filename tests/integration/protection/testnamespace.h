#pragma once

#include "systemcommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStringList>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

// A throwaway network namespace with its own /etc/netns/<name>/resolv.conf
// (which "ip netns exec" bind-mounts over /etc/resolv.conf, so the tools
// never see the machine's). Both are removed again by the destructor, also
// after a failed test.
class TestNamespace
{
public:
    explicit TestNamespace(const QString &tag, const QByteArray &resolvConf = "nameserver 192.0.2.53\n")
        : m_name(QStringLiteral("t-prot-%1-%2").arg(::getpid()).arg(tag))
    {
        // The resolver configuration exists before anything can run inside.
        if (!QDir().mkpath(folder()))
            return;
        QFile file(resolvConfPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(resolvConf) != resolvConf.size())
            return;
        file.close();
        m_valid = SystemCommand::run(QStringLiteral("ip"),
                                     {QStringLiteral("netns"), QStringLiteral("add"), m_name})
                      .succeeded();
        if (m_valid)
            exec({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                  QStringLiteral("up")});
    }
    ~TestNamespace()
    {
        SystemCommand::run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), m_name});
        QDir(folder()).removeRecursively();
    }
    TestNamespace(const TestNamespace &) = delete;
    TestNamespace &operator=(const TestNamespace &) = delete;

    bool isValid() const { return m_valid; }
    QString name() const { return m_name; }
    QString resolvConfPath() const { return folder() + QStringLiteral("/resolv.conf"); }
    QByteArray resolvConf() const
    {
        QFile file(resolvConfPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Runs a program inside the namespace, with extra environment variables.
    SystemCommand::Result exec(const QStringList &command, const QStringList &environment = {}) const
    {
        QStringList arguments = {QStringLiteral("netns"), QStringLiteral("exec"), m_name};
        if (!environment.isEmpty())
            arguments << QStringLiteral("env") << environment;
        return SystemCommand::run(QStringLiteral("ip"), arguments + command);
    }
    // Runs "ip ARGUMENTS..." inside the namespace; true on success.
    bool ip(const QString &arguments) const
    {
        return exec(QStringList {QStringLiteral("ip")} + arguments.split(QLatin1Char(' '))).succeeded();
    }

    static QString tool(const QString &name) { return QStringLiteral(VPN_APP_DIR "/") + name; }
    static bool isRoot() { return ::geteuid() == 0; }

private:
    QString folder() const { return QStringLiteral("/etc/netns/") + m_name; }

    QString m_name;
    bool m_valid = false;
};

// Moves the calling thread (and every program it starts from then on) into a
// namespace for its lifetime, and back into its own namespace after.
class NamespaceEntry
{
public:
    explicit NamespaceEntry(const TestNamespace &ns)
    {
        const int own = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target
            = ::open(QFile::encodeName(QStringLiteral("/var/run/netns/") + ns.name()).constData(),
                     O_RDONLY | O_CLOEXEC);
        if (own >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0)
            m_own = own;
        else if (own >= 0)
            ::close(own);
        if (target >= 0)
            ::close(target);
    }
    ~NamespaceEntry()
    {
        if (m_own < 0)
            return;
        if (::setns(m_own, CLONE_NEWNET) != 0)
            qFatal("cannot return to the test's own network namespace");
        ::close(m_own);
    }
    NamespaceEntry(const NamespaceEntry &) = delete;
    NamespaceEntry &operator=(const NamespaceEntry &) = delete;

    bool entered() const { return m_own >= 0; }

private:
    int m_own = -1;
};

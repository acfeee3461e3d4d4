#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the service agrees to run: the four programs of the product at their
// places in the service's own directory, each with exactly the argument
// forms the client sends, and the OpenVPN and WireGuard configurations that
// pass their allow-lists, rewritten in a canonical form.
//
// The decisions are made on text alone; reading the files that a command
// names, and checking who owns them, is the caller's part.
class CommandPolicy
{
public:
    enum class Program { None, OpenVpn, WireGuard, KillSwitch, Dns };
    // What a program does to the machine-wide state (see StateOwners).
    enum class Effect { None, SwitchDns, RestoreDns, EnableKillSwitch, DisableKillSwitch, Tunnel };

    struct Decision
    {
        bool allowed = false;
        QString reason;
        Program program = Program::None;
        Effect effect = Effect::None;
        // The name the reports carry: the program's file name.
        QString name;
        // The allow-listed path to run; never the client's text.
        QString executable;
        QStringList arguments;
        // OpenVPN and WireGuard: the configuration file the client named.
        QString configPath;
        // OpenVPN: the log file the client named.
        QString logPath;
    };

    static constexpr int openVpnManagementPort = 61973;
    static constexpr int wireGuardControlPort = 61976;
    static constexpr int maxDnsEntries = 64;
    // OpenVPN reads its configuration in pieces of this many bytes per line;
    // a longer line would be read as two.
    static constexpr int maxOpenVpnLineLength = 250;

    explicit CommandPolicy(const QString &serviceDir);

    QString serviceDir() const { return m_serviceDir; }
    QString executablePath(Program program) const;
    static QString programName(Program program);

    // words: the program path as the client gave it, then the arguments.
    Decision check(const QStringList &words) const;

    // The text an engine runs for a configuration a client handed in: the
    // parsed, allow-listed configuration in canonical form. False with the
    // reason (naming the line) when the configuration is refused.
    static bool canonicalConfig(Program program, const QByteArray &text, QByteArray *canonical,
                                QString *error);

    // The command line actually run for OpenVPN: the client's options with
    // the service's copy of the configuration and scripts switched off. Its
    // output goes to the client's log file through the service.
    static QStringList openVpnArguments(const QString &configCopy);
    // The WireGuard engine is told whose control port it may talk to.
    static QStringList wireGuardArguments(const QString &configCopy, uint uid);
    // The local port an engine connects to, where the client listens; 0 for the tools.
    static quint16 clientPort(Program program);

    static bool isAddress(const QString &text);

private:
    QString checkArguments(Program program, const QStringList &arguments, Decision &decision) const;

    QString m_serviceDir;
};

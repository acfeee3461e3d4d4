#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the service agrees to run: the four programs of the product at their
// places in the service's own directory, each with exactly the argument
// forms the client sends, and OpenVPN and WireGuard configurations without
// anything that would make a program run further programs or write files.
//
// The decisions are made on text alone; reading the files that a command
// names, and checking who owns them, is the caller's part.
class CommandPolicy
{
public:
    enum class Program { None, OpenVpn, WireGuard, KillSwitch, Dns };

    struct Decision
    {
        bool allowed = false;
        QString reason;
        Program program = Program::None;
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

    // Empty when the configuration text may be used, else the reason.
    static QString openVpnConfigProblem(const QByteArray &text);
    static QString wireGuardConfigProblem(const QByteArray &text);

    // The command line actually run for OpenVPN: the client's options with
    // the service's copy of the configuration and scripts switched off. Its
    // output goes to the client's log file through the service.
    static QStringList openVpnArguments(const QString &configCopy);
    static QStringList wireGuardArguments(const QString &configCopy);

    static bool isAddress(const QString &text);

private:
    QString checkArguments(Program program, const QStringList &arguments, Decision &decision) const;

    QString m_serviceDir;
};

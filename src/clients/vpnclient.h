#pragma once

#include "account.h"
#include "connectiondata.h"
#include "connectionstate.h"
#include "connectionstatistics.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryFile;
class VpnProcess;

// The common base of the protocol clients. The connection controller creates
// one client per connection attempt, hands it the connection data and calls
// start(); the client reports states, traffic counters, the tunnel address and
// the pushed DNS servers through its signals. The engine's configuration file
// is a temporary copy of an embedded template, owned by the client and removed
// from disk with it.
class VpnClient : public QObject
{
    Q_OBJECT

public:
    explicit VpnClient(QObject *parent = nullptr);
    ~VpnClient() override;

    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual void setConnectionData(const ConnectionData &data);
    virtual bool supportsKillSwitch() const;
    virtual QString executableBaseName() const = 0;
    virtual QString resourceFileName() const = 0;
    virtual void updateConfigOptions(QString &config);
    // Writes the engine configuration from the template; false when the
    // template or the temporary file cannot be used.
    virtual bool updateConfigFile();
    virtual QString configFilePath() const;
    virtual QString execPath() const = 0;

    ConnectionData connectionData() const { return m_connectionData; }
    ConnectionStatistics connectionStatistics() const { return m_statistics; }
    ConnectionState::Id connectionStateId() const { return m_state; }
    NetworkProtocol networkProtocol() const { return m_connectionData.networkProtocol(); }

    void setConnectionStatistics(const ConnectionStatistics &statistics);
    QString logFilePath() const;
    bool vpnProcessIsRunning() const;
    // Asks the engine to terminate over its control connection; false when it cannot be asked.
    virtual bool sendTermSignal() = 0;
    void startIpv6SupportService();

    // Every option followed by CR LF, in place of "<ADDITIONAL_DATA>".
    static void replaceOptions(const QStringList &options, QString &config);
    static QString sizeToString(quint64 bytes, bool withUnit);
    static QString bytesToHumanView(quint64 bytes);
    static void setAccount(const Account &account);
    static Account account();

signals:
    void assignedInternalIp(QString ip);
    void byteCountChanged(quint64 receive, quint64 send);
    void connectionStateChanged(ConnectionState::Id connectionStateId, QString additionalData, bool critical,
                                QString errorDescription);
    void dnsServerAddressesPushed(QString dnsServerIpv4Address, QString dnsServerIpv6Address);

protected:
    void setConnectionState(ConnectionState::Id id, const QString &additionalData = QString(),
                            bool critical = false);
    void removeConfigFile();

    // The engine's lifecycle, the same for every client:
    // ends a starting or running engine (its own termination request first,
    // the service's kill when that cannot be sent) and marks the stop as asked for;
    void endEngine(VpnProcess *process);
    // Disconnecting, unless the connection is already ending or ended;
    void setDisconnectingUnlessEnding();
    // the engine has ended: Disconnected, with "CrashExit" for an end nobody
    // asked for or announced, then Reconnecting when that is allowed;
    void reportEngineEnd(int exitCode, QString &errorText, bool announcedEnd = false);
    // the client goes away: no reconnection, and an engine still starting or
    // running is ended so nobody is left following it.
    void endOnDestruction(VpnProcess *process);
    void clearStopRequested() { m_stopRequested = false; }
    bool destroying() const { return m_destroying; }
    void setReconnectOnError(bool enabled) { m_connectionData.setReconnectOnError(enabled); }

private:
    ConnectionData m_connectionData;
    ConnectionStatistics m_statistics;
    std::unique_ptr<QTemporaryFile> m_configFile;
    ConnectionState::Id m_state = ConnectionState::Id::Disconnected;
    bool m_stopRequested = false;
    bool m_destroying = false;

    static Account s_account;
};

#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

// The local TLS wrapper of Stealth mode: an unprivileged stunnel that accepts
// OpenVPN's TCP connection on 127.0.0.1:1194 and carries it in TLS to port 443
// of the server. started(true) follows stunnel's own report of a good
// configuration; its configuration file is removed as soon as stunnel has
// read it.
class Stunnel : public QObject
{
    Q_OBJECT

public:
    explicit Stunnel(QObject *parent = nullptr);
    ~Stunnel() override;

    bool start(const QString &hostName);
    void stop();
    bool writeConfigFile(const QString &hostName);

    QString appFileName() const;
    QString appFileNamePath() const;
    QString confFileName() const;
    QString confFileNamePath() const;

    QProcess::ProcessState state() const { return m_process->state(); }
    qint64 processId() const { return m_process->processId(); }

signals:
    void finished();
    void started(bool success);

public slots:
    void onReadyRead();
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);

private:
    // Ends what is left of stunnels started with this client's configuration
    // path (e.g. by an earlier run that crashed); other stunnels are not touched.
    void endLeftoverInstances() const;

    QProcess *m_process = nullptr;
    // The end of the previous output chunk, so a report split across chunks is still seen.
    QString m_outputTail;
};

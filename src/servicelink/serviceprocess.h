#pragma once

#include <QObject>
#include <QStringList>

// A privileged program run by the vpn-service, seen from the client: a tag
// (the program's file name, under which the service reports it), a run state
// and the signals that the service's reports for the tag turn into.
//
// Reports are applied whatever the state is: a "finished:" for the tag ends
// the state even when this object asked for nothing, and every object with
// the same tag hears the same report.
class ServiceProcess : public QObject
{
    Q_OBJECT

public:
    enum State { NotRunning = 0, Starting = 1, Running = 2 };
    Q_ENUM(State)

    // The service controller must exist before the first process is built.
    ServiceProcess(const QString &tagName, QObject *parent = nullptr);

    QString tagName() const { return m_tagName; }

    // The program's absolute path followed by its arguments.
    void start(const QStringList &programAndArguments);
    virtual void start(const QString &command);
    virtual void stop(const QString &command);
    void sendCommand(const QString &command);

    State state() const { return m_state; }
    // The process id of the last "started:" report for the tag; 0 before any
    // start and after the end.
    qint64 processId() const { return m_processId; }
    void setState(State state) { m_state = state; }

    // "start: " and every word between double quotes, joined by single blanks.
    // Nothing inside a word is escaped.
    static QString startCommand(const QStringList &programAndArguments);

signals:
    void error(int status);
    void finished(int exitCode);
    void started();

public slots:
    void onProcessOutput(const QString &message);

private:
    const QString m_tagName;
    State m_state = NotRunning;
    qint64 m_processId = 0;
};

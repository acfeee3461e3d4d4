#include "serviceprocess.h"

#include "message.h"
#include "servicecontroller.h"
#include "utils.h"

#include <QDebug>

namespace {
void sendToService(const QString &command)
{
    if (ServiceController *controller = ServiceController::instance())
        controller->sendCommand(command);
}
} // namespace

ServiceProcess::ServiceProcess(const QString &tagName, QObject *parent) : QObject(parent), m_tagName(tagName)
{
    setObjectName(tagName);
    ServiceController *controller = ServiceController::instance();
    if (!controller) {
        qCritical().noquote() << objectName() + QStringLiteral(": No service controller");
        return;
    }
    connect(controller, &ServiceController::processOutput, this, &ServiceProcess::onProcessOutput);
}

QString ServiceProcess::startCommand(const QStringList &programAndArguments)
{
    QStringList words;
    words.reserve(programAndArguments.size());
    for (const QString &word : programAndArguments)
        words << Utils::quotedString(word);
    return QStringLiteral("start: %1").arg(words.join(QLatin1Char(' ')));
}

void ServiceProcess::start(const QStringList &programAndArguments)
{
    start(startCommand(programAndArguments));
}

void ServiceProcess::start(const QString &command)
{
    m_state = Starting;
    sendToService(command);
}

void ServiceProcess::stop(const QString &command)
{
    sendToService(command);
}

void ServiceProcess::sendCommand(const QString &command)
{
    sendToService(command);
}

void ServiceProcess::onProcessOutput(const QString &message)
{
    const Message report = Message::fromString(message);
    if (!report.isValid() || report.tagName() != m_tagName)
        return;
    if (report.finished()) {
        m_state = NotRunning;
        // A late report of an earlier process leaves the newer one's id alone.
        if (report.processId() == 0 || report.processId() == m_processId)
            m_processId = 0;
        emit finished(report.status());
    } else if (report.status() == 0) {
        m_state = Running;
        m_processId = report.processId();
        emit started();
    } else {
        m_state = NotRunning;
        m_processId = 0;
        emit error(report.status());
    }
}

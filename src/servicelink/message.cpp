#include "message.h"

#include <QStringList>

namespace {
const QString startedPrefix = QStringLiteral("started:");
const QString finishedPrefix = QStringLiteral("finished:");
} // namespace

Message Message::fromString(const QString &text)
{
    Message message;
    if (text.startsWith(startedPrefix))
        message.m_kind = Kind::Started;
    else if (text.startsWith(finishedPrefix))
        message.m_kind = Kind::Finished;
    else
        return message;

    const QString &prefix = message.started() ? startedPrefix : finishedPrefix;
    message.m_tagName = extractData(prefix, text, message.m_status, message.m_processId);
    return message;
}

QString Message::extractData(const QString &prefix, const QString &text, int &status, qint64 &processId)
{
    QString body = text;
    body.remove(prefix);
    const QStringList fields = body.split(QLatin1Char(','));
    if (fields.size() >= 2) {
        bool ok = false;
        const uint value = fields.at(1).toUInt(&ok);
        status = ok ? static_cast<int>(value) : 0;
    }
    if (fields.size() >= 3) {
        bool ok = false;
        const qint64 value = fields.first().toLongLong(&ok);
        processId = ok && value > 0 ? value : 0;
    }
    return fields.isEmpty() ? QString() : fields.last();
}

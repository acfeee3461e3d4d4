#include "servicecommand.h"

#include <QRegularExpression>

namespace {
const QString initPrefix = QStringLiteral("init:");
const QString startPrefix = QStringLiteral("start:");
const QString stopPrefix = QStringLiteral("stop:");
const QString killWord = QStringLiteral("kill ");
} // namespace

ServiceCommand ServiceCommand::invalid(const QString &reason)
{
    ServiceCommand command;
    command.m_error = reason;
    return command;
}

ServiceCommand ServiceCommand::named(Kind kind, const QString &body)
{
    static const QRegularExpression namePattern(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    if (!namePattern.match(body).hasMatch())
        return invalid(QStringLiteral("invalid process name"));
    ServiceCommand command;
    command.m_kind = kind;
    command.m_name = body;
    return command;
}

ServiceCommand ServiceCommand::parse(const QString &text)
{
    if (text.startsWith(initPrefix)) {
        if (text.mid(initPrefix.size()).trimmed() != QLatin1String("connection"))
            return invalid(QStringLiteral("unknown init command"));
        ServiceCommand command;
        command.m_kind = Kind::Init;
        return command;
    }

    if (text.startsWith(stopPrefix)) {
        const QString body = text.mid(stopPrefix.size()).trimmed();
        if (!body.startsWith(QLatin1Char('<')) || !body.endsWith(QLatin1Char('>')))
            return invalid(QStringLiteral("malformed stop command"));
        return named(Kind::Stop, body.mid(1, body.size() - 2));
    }

    if (!text.startsWith(startPrefix))
        return invalid(QStringLiteral("unknown command"));

    const QString body = text.mid(startPrefix.size()).trimmed();
    if (body.startsWith(QLatin1Char('<'))) {
        if (!body.endsWith(QLatin1Char('>')) || !body.mid(1).startsWith(killWord))
            return invalid(QStringLiteral("malformed kill command"));
        return named(Kind::Kill, body.mid(1 + killWord.size(), body.size() - 2 - killWord.size()).trimmed());
    }

    if (body.size() < 2 || !body.startsWith(QLatin1Char('"')) || !body.endsWith(QLatin1Char('"')))
        return invalid(QStringLiteral("malformed start command"));
    const QStringList words = body.mid(1, body.size() - 2).split(QStringLiteral("\" \""));
    if (words.size() > maxWords)
        return invalid(QStringLiteral("too many words"));
    ServiceCommand command;
    command.m_kind = Kind::Start;
    command.m_words = words;
    return command;
}

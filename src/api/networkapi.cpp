#include "networkapi.h"

#include "env.h"
#include "networkreplytimeout.h"
#include "utils.h"
#include "vpnclientapi.h"

#include <QDebug>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QUrl>
#include <QVariant>
#include <QVector>
#include <QXmlStreamReader>

#include <cmath>

namespace {
// The address as QUrl writes it back (host in lower case, some escapes
// decoded), so that it compares equal to a reply's address.
QString replyAddress(const QString &address)
{
    return QUrl(address).toString();
}

// An unsigned 64-bit number from a JSON number or a text of digits; zero for
// anything else, negative and fractional numbers included.
quint64 unsignedNumber(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::QString: {
        bool ok = false;
        const quint64 number = value.toString().toULongLong(&ok);
        return ok ? number : 0;
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong() > 0 ? quint64(value.toLongLong()) : 0;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toULongLong();
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (number >= 0 && number < 18446744073709551616.0 && std::floor(number) == number)
            return quint64(number);
        return 0;
    }
    default:
        return 0;
    }
}

// Qt's JSON parser loses the earlier value of a repeated name in an object
// when that value is a non-empty object or array: a reply could make the
// client grow without bound. Names repeated in one object (compared as Qt
// compares them, after unescaping) are found here before the parser runs.
// Only well-formed documents need a right answer; the parser refuses the
// rest, and documents nested deeper than it accepts are left to it.
bool repeatsAName(const QByteArray &json)
{
    constexpr int parserNestingLimit = 1024;
    struct Frame
    {
        bool object;
        bool expectName;
        QSet<QString> names;
    };
    QVector<Frame> frames;
    const char *p = json.constData();
    const char *const end = p + json.size();
    while (p < end) {
        const char c = *p++;
        if (c == '{' || c == '[') {
            if (frames.size() >= parserNestingLimit)
                return false;
            frames.append({c == '{', c == '{', {}});
        } else if (c == '}' || c == ']') {
            if (!frames.isEmpty())
                frames.removeLast();
        } else if (c == ',') {
            if (!frames.isEmpty() && frames.last().object)
                frames.last().expectName = true;
        } else if (c == '"') {
            const bool name = !frames.isEmpty() && frames.last().expectName;
            QString text;
            const char *segment = p;
            while (p < end && *p != '"') {
                if (*p != '\\') {
                    ++p;
                    continue;
                }
                if (name)
                    text += QString::fromUtf8(segment, int(p - segment));
                ++p;
                if (p >= end)
                    break;
                const char escaped = *p++;
                if (name) {
                    switch (escaped) {
                    case 'b':
                        text += QLatin1Char('\b');
                        break;
                    case 'f':
                        text += QLatin1Char('\f');
                        break;
                    case 'n':
                        text += QLatin1Char('\n');
                        break;
                    case 'r':
                        text += QLatin1Char('\r');
                        break;
                    case 't':
                        text += QLatin1Char('\t');
                        break;
                    case 'u':
                        if (end - p >= 4) {
                            bool ok = false;
                            const ushort code = QByteArray(p, 4).toUShort(&ok, 16);
                            text += ok ? QChar(code) : QChar::ReplacementCharacter;
                            p += 4;
                        }
                        break;
                    default:
                        text += QLatin1Char(escaped);
                        break;
                    }
                }
                segment = p;
            }
            if (name) {
                text += QString::fromUtf8(segment, int(p - segment));
                Frame &frame = frames.last();
                if (frame.names.contains(text))
                    return true;
                frame.names.insert(text);
                frame.expectName = false;
            }
            ++p;
        }
    }
    return false;
}

// Two records of the feed are the same server exactly when Server's equality
// says so: every field but cpu, and the flags and the API server id are the
// same for every record of the feed. Each text is written with its length, so
// no two different records give the same key.
QString duplicateKey(const Server &server)
{
    QString key;
    for (const QString &text : {server.city(), server.countryCode(), server.ip(), server.name(), server.id()})
        key += QString::number(text.size()) + QLatin1Char(':') + text;
    return key + QString::number(server.capacity());
}
} // namespace

NetworkApi::NetworkApi(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("NetworkApi"));
    qRegisterMetaType<Servers>("Servers");
    qRegisterMetaType<Account>("Account");
}

void NetworkApi::doRequests()
{
    requestServerList();
    requestCurrentIpAddress();
}

void NetworkApi::requestServerList()
{
    if (m_requestsDisabled)
        return;
    doGetRequest(QNetworkRequest(QUrl(VpnClientApi::serverList())));
}

void NetworkApi::requestCurrentIpAddress()
{
    if (m_requestsDisabled)
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Request current IP address");
    QNetworkRequest request {QUrl(VpnClientApi::geoIp())};
    request.setRawHeader("Accept", "application/json");
    doGetRequest(request);
}

void NetworkApi::apiRequestWireguardData(const QString &userName, const QString &password)
{
    if (m_requestsDisabled)
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Request wireguard data");
    // "." and ".." survive the escaping of the path segment, and a server
    // resolves them to a path above the account; an empty name would ask
    // for the accounts themselves. None of them names an account.
    if (userName.isEmpty() || userName == QLatin1String(".") || userName == QLatin1String("..")) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": No account for the user name '%1'").arg(userName);
        QMetaObject::invokeMethod(
            this, [this]() { emit apiRequestAccountFinished(Account()); }, Qt::QueuedConnection);
        return;
    }
    apiSendRequest(QUrl(VpnClientApi::apiWireguardData(userName), QUrl::TolerantMode),
                   basicAuthorization(userName, password));
}

QString NetworkApi::basicAuthorization(const QString &userName, const QString &password)
{
    const QByteArray credentials = QStringLiteral("%1:%2").arg(userName, password).toUtf8();
    return QStringLiteral("Basic %1").arg(QString::fromLatin1(credentials.toBase64()));
}

void NetworkApi::apiSendRequest(const QUrl &address, const QString &authorization)
{
    QNetworkRequest request(address);
    request.setRawHeader("Authorization",
                         authorization.isEmpty()
                             ? QStringLiteral("Bearer %1").arg(VpnClientApi::apiKey()).toUtf8()
                             : authorization.toUtf8());
    request.setRawHeader("Accept", "application/json");
    doGetRequest(request);
}

void NetworkApi::disableNewRequests()
{
    m_requestsDisabled = true;
}

void NetworkApi::doGetRequest(const QNetworkRequest &request)
{
    auto *manager = new QNetworkAccessManager(this);
    // Inside a network namespace the bearer layer may see no configuration
    // at all and would refuse every request.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    manager->setNetworkAccessible(QNetworkAccessManager::Accessible);
    QT_WARNING_POP
    connect(manager, &QNetworkAccessManager::finished, this, &NetworkApi::onFinished);
    QNetworkReply *reply = manager->get(request);
    // The reply stops reading from the network once it holds more than the
    // limit, so a reply cut off here never took more memory than that.
    reply->setReadBufferSize(maxReplySize + 1);
    connect(reply, &QNetworkReply::readyRead, this,
            [this, reply]() { limitReplySize(reply, reply->bytesAvailable()); });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64, qint64 total) { limitReplySize(reply, total); });
    NetworkReplyTimeout::set(reply, m_requestTimeout);
}

void NetworkApi::limitReplySize(QNetworkReply *reply, qint64 size)
{
    if (size <= maxReplySize || !reply->isRunning())
        return;
    warnTooLarge(VpnClientApi::maskedUrl(reply->url().toString()));
    reply->abort();
}

void NetworkApi::warnTooLarge(const QString &masked) const
{
    qWarning().noquote() << objectName()
            + QStringLiteral(": '%1' reply is larger than %2 bytes")
                  .arg(masked, QString::number(maxReplySize));
}

void NetworkApi::onFinished(QNetworkReply *reply)
{
    const QString address = reply->url().toString();
    const QString masked = VpnClientApi::maskedUrl(address);
    if (reply->error() != QNetworkReply::NoError) {
        // Qt's error texts may quote the address; the log names it only masked.
        const QString errorText = reply->errorString().replace(address, masked);
        qWarning().noquote() << objectName()
                + QStringLiteral(": '%1' finished, error: %2 (code: %3)")
                      .arg(masked, errorText, QString::number(int(reply->error())));
        dispatchFailure(address, masked);
    } else if (reply->bytesAvailable() > maxReplySize) {
        warnTooLarge(masked);
        dispatchFailure(address, masked);
    } else {
        dispatchSuccess(address, masked, reply->readAll());
    }
    // Each request has a manager of its own; the reply and its timeout go
    // with it.
    reply->deleteLater();
    if (reply->manager() && reply->manager()->parent() == this)
        reply->manager()->deleteLater();
}

void NetworkApi::dispatchFailure(const QString &address, const QString &masked)
{
    if (address == replyAddress(VpnClientApi::geoIp()))
        emit requestCurrentIpAddressFinished(Utils::emptyIpAddress(), QString());
    else if (address == replyAddress(VpnClientApi::serverList()))
        emit requestServerListFinished(Servers());
    else if (address.startsWith(replyAddress(VpnClientApi::apiWireguardData(QString()))))
        emit apiRequestAccountFinished(Account());
    else
        qInfo().noquote() << objectName() + QStringLiteral(": API Request URL: %1").arg(masked);
}

void NetworkApi::dispatchSuccess(const QString &address, const QString &masked, const QByteArray &body)
{
    if (address == replyAddress(VpnClientApi::geoIp())) {
        QString ip;
        QString countryCode;
        jsonToGeoIp(body, ip, countryCode);
        qInfo().noquote() << objectName()
                + QStringLiteral(": Request '%1' finished, %2, valid: %3")
                      .arg(masked, Server::locationText(ip, countryCode, false),
                           Utils::boolString(Utils::isValidIPv4Address(ip)));
        emit requestCurrentIpAddressFinished(ip, countryCode);
    } else if (address == replyAddress(VpnClientApi::serverList())) {
        // The feed is text up to its first zero byte.
        m_servers = xmlToServerList(QString::fromUtf8(body.constData()));
        qInfo().noquote() << objectName()
                + QStringLiteral(": Request '%1' finished, %2 servers in %3 countries")
                      .arg(masked, QString::number(m_servers.size()),
                           QString::number(Server::allCountryCodes(m_servers).size()));
        emit requestServerListFinished(m_servers);
    } else if (address.startsWith(replyAddress(VpnClientApi::apiWireguardData(QString())))) {
        emit apiRequestAccountFinished(apiJsonToAccount(body));
    }
}

Servers NetworkApi::xmlToServerList(const QString &text) const
{
    Servers servers;
    QSet<QString> seen;
    QStringList unavailable;
    QXmlStreamReader reader(text);
    while (!reader.atEnd() && !reader.hasError()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        // The feed has no use for a document type; its entity declarations
        // would only let a reply grow in memory.
        if (token == QXmlStreamReader::DTD) {
            reader.raiseError(QStringLiteral("Document type declarations are not accepted"));
            break;
        }
        if (token != QXmlStreamReader::StartElement || reader.name() != QLatin1String("server"))
            continue;

        const QXmlStreamAttributes attributes = reader.attributes();
        const int visible = attributes.value(QLatin1String("visible")).toInt();
        const int status = attributes.value(QLatin1String("status")).toInt();
        if (visible == 0 && status == 0)
            continue;

        const QString ip = attributes.value(QLatin1String("ip")).toString();
        const QString cpuText = attributes.value(QLatin1String("cpu")).toString();
        const Server server(ip, attributes.value(QLatin1String("country")).toString(),
                            attributes.value(QLatin1String("city")).toString(),
                            attributes.value(QLatin1String("name")).toString(), ip,
                            attributes.value(QLatin1String("capacity")).toInt(), cpuText.toFloat(), 0);
        const QString key = duplicateKey(server);
        if (seen.contains(key)) {
            qWarning().noquote() << objectName()
                    + QStringLiteral(": Duplicate server detected: '%1'").arg(server.countryAndCity());
            continue;
        }
        seen.insert(key);
        if (Server::serverIsAvailableByCpuValue(cpuText))
            servers.append(server);
        else
            unavailable.append(QStringLiteral("%1 (%2)").arg(server.shortInfo(), cpuText));
    }

    if (reader.hasError()) {
        qCritical().noquote() << objectName() + QStringLiteral(": Cannot parse XML: ") + reader.errorString();
        return servers;
    }
    if (!unavailable.isEmpty())
        qWarning().noquote() << objectName()
                + QStringLiteral(": Not available servers: %1").arg(unavailable.join(QStringLiteral(", ")));
    return Server::sort(servers);
}

bool NetworkApi::parseJson(const QByteArray &body, QVariantMap &topLevel) const
{
    QJsonParseError error;
    QString errorText;
    QJsonDocument document;
    if (repeatsAName(body)) {
        errorText = QStringLiteral("duplicate key");
    } else {
        document = QJsonDocument::fromJson(body, &error);
        if (error.error != QJsonParseError::NoError)
            errorText = error.errorString();
    }
    if (!errorText.isEmpty()) {
        qCritical().noquote() << objectName()
                + QStringLiteral(": Cannot parse JSON document. Error: '%1'").arg(errorText);
        return false;
    }
    topLevel = document.isObject() ? document.object().toVariantMap() : QVariantMap();
    return true;
}

bool NetworkApi::jsonToGeoIp(const QByteArray &body, QString &ip, QString &countryCode) const
{
    if (Env::debugMode())
        qInfo().noquote() << objectName() + QStringLiteral(": Parse geo reply: ") + QString::fromUtf8(body);
    QVariantMap topLevel;
    if (!parseJson(body, topLevel))
        return false;
    const QVariantMap data = topLevel.value(QStringLiteral("data")).toMap();
    ip = data.value(QStringLiteral("ip")).toString();
    countryCode = data.value(QStringLiteral("iso_code")).toString();
    return true;
}

Account NetworkApi::apiJsonToAccount(const QByteArray &body) const
{
    QVariantMap topLevel;
    if (!parseJson(body, topLevel))
        return Account();
    const QVariantMap data = topLevel.value(QStringLiteral("data")).toMap();
    const auto text = [&data](const char *key) { return data.value(QLatin1String(key)).toString(); };
    return Account(unsignedNumber(data.value(QStringLiteral("id"))), text("username"), text("status"),
                   text("updated"), text("created"), text("wg_ip"), text("wg_private_key"),
                   text("wg_public_key"));
}

Servers NetworkApi::apiJsonToServerList(const QByteArray &body) const
{
    if (Env::debugMode())
        qInfo().noquote() << objectName() + QStringLiteral(": Parse api server list reply: ")
                + QString::fromUtf8(body);
    Servers servers;
    QVariantMap topLevel;
    if (!parseJson(body, topLevel))
        return servers;
    const QVariantList list = topLevel.value(QStringLiteral("data")).toList();
    for (const QVariant &element : list) {
        const QVariantMap entry = element.toMap();
        if (!entry.value(QStringLiteral("status")).toBool()
            && !entry.value(QStringLiteral("visible")).toBool())
            continue;
        const QString ip = entry.value(QStringLiteral("ip")).toString();
        const QVariant cpu = entry.value(QStringLiteral("cpu"));
        const Server server(ip, entry.value(QStringLiteral("country_code")).toString(),
                            entry.value(QStringLiteral("city")).toString(),
                            entry.value(QStringLiteral("name")).toString(), ip,
                            entry.value(QStringLiteral("capacity")).toInt(), cpu.toFloat(),
                            entry.value(QStringLiteral("id")).toInt());
        const QString cpuText = cpu.toString();
        if (Server::serverIsAvailableByCpuValue(cpuText))
            servers.append(server);
        else
            qWarning().noquote() << objectName()
                    + QStringLiteral(": Server '%1' is not available, value '%2'")
                          .arg(server.shortInfo(), cpuText);
    }
    return servers;
}

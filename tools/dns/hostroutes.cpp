#include "hostroutes.h"

#include "systemcommand.h"
#include "toolargument.h"
#include "tunneldevice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString ipProgram()
{
    return SystemCommand::findSystemProgram(QStringLiteral("ip"));
}

QStringList familyArguments(bool ipv6)
{
    return {ipv6 ? QStringLiteral("-6") : QStringLiteral("-4")};
}
} // namespace

QString HostRoutes::prefixOf(const QHostAddress &server)
{
    const bool ipv6 = server.protocol() == QAbstractSocket::IPv6Protocol;
    return server.toString() + (ipv6 ? QStringLiteral("/128") : QStringLiteral("/32"));
}

bool HostRoutes::defaultRoute(bool ipv6, DefaultRoute *route) const
{
    const QString ip = ipProgram();
    if (ip.isEmpty())
        return false;
    const SystemCommand::Result result
        = SystemCommand::run(ip,
                             familyArguments(ipv6)
                                 + QStringList {QStringLiteral("-j"), QStringLiteral("route"),
                                                QStringLiteral("show"), QStringLiteral("default")});
    if (!result.succeeded())
        return false;
    const QJsonArray routes = QJsonDocument::fromJson(result.output).array();
    for (const QJsonValue &value : routes) {
        const QJsonObject object = value.toObject();
        const QString device = object.value(QStringLiteral("dev")).toString();
        if (device.isEmpty() || TunnelDevice::matches(device))
            continue;
        const QString gateway = object.value(QStringLiteral("gateway")).toString();
        // Names and addresses go into a command line: only well-formed ones.
        if (!gateway.isEmpty() && ToolArgument::ipAddress(gateway).isNull())
            continue;
        if (device.contains(QLatin1Char(' ')) || device.startsWith(QLatin1Char('-')))
            continue;
        route->gateway = gateway;
        route->device = device;
        return true;
    }
    return false;
}

QHostAddress HostRoutes::defaultGateway() const
{
    DefaultRoute route;
    if (!defaultRoute(false, &route))
        return QHostAddress();
    return ToolArgument::ipAddress(route.gateway);
}

HostRoutes::AddResult HostRoutes::add(const QHostAddress &server, QString *error) const
{
    const bool ipv6 = server.protocol() == QAbstractSocket::IPv6Protocol;
    DefaultRoute route;
    if (!defaultRoute(ipv6, &route)) {
        *error = QStringLiteral("no default route outside the tunnel for %1").arg(server.toString());
        return NoDefaultRoute;
    }
    QStringList arguments = familyArguments(ipv6);
    arguments << QStringLiteral("route") << QStringLiteral("add") << prefixOf(server);
    if (!route.gateway.isEmpty())
        arguments << QStringLiteral("via") << route.gateway;
    arguments << QStringLiteral("dev") << route.device << QStringLiteral("proto")
              << QString::number(routeProtocol);
    const SystemCommand::Result result = SystemCommand::run(ipProgram(), arguments);
    if (result.succeeded())
        return Added;
    if (result.message().contains(QLatin1String("File exists")))
        return AlreadyRouted;
    *error = QStringLiteral("cannot add the route for %1: %2").arg(server.toString(), result.message());
    return Failed;
}

bool HostRoutes::remove(const QHostAddress &server, QString *error) const
{
    const QString ip = ipProgram();
    if (ip.isEmpty()) {
        *error = QStringLiteral("the ip program is missing");
        return false;
    }
    const bool ipv6 = server.protocol() == QAbstractSocket::IPv6Protocol;
    const SystemCommand::Result result = SystemCommand::run(
        ip,
        familyArguments(ipv6)
            + QStringList {QStringLiteral("route"), QStringLiteral("del"), prefixOf(server),
                           QStringLiteral("proto"), QString::number(routeProtocol)});
    if (result.succeeded() || result.message().contains(QLatin1String("No such process")))
        return true;
    *error = QStringLiteral("cannot remove the route for %1: %2").arg(server.toString(), result.message());
    return false;
}

#include "networkprotocol.h"

QString networkProtocolToString(NetworkProtocol protocol, bool lowerCase)
{
    QString name;
    switch (protocol) {
    case NetworkProtocol::UDP:
        name = QStringLiteral("OpenVPN (UDP)");
        break;
    case NetworkProtocol::TCP:
        name = QStringLiteral("OpenVPN (TCP)");
        break;
    case NetworkProtocol::Stealth:
        name = QStringLiteral("Stealth");
        break;
    case NetworkProtocol::WireGuard:
        name = QStringLiteral("WireGuard");
        break;
    }
    return lowerCase ? name.toLower() : name;
}

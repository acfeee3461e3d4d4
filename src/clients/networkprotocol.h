#pragma once

#include <QMetaType>
#include <QString>

// The tunnel engine and transport of a connection, as stored in the
// "networkProtocol" setting.
enum class NetworkProtocol : int { UDP = 0, TCP = 1, Stealth = 2, WireGuard = 3 };

// "OpenVPN (UDP)", "OpenVPN (TCP)", "Stealth", "WireGuard"; empty for any other value.
QString networkProtocolToString(NetworkProtocol protocol, bool lowerCase = false);

Q_DECLARE_METATYPE(NetworkProtocol)

#pragma once

#include "networkinterface.h"

#include <QObject>
#include <QVector>

// The network interfaces the client may use for the tunnel. On this
// platform, as on macOS, the engines choose their interfaces themselves, so
// the list is one fixed entry standing for the system's own networking.
class OpenVpnNetworkInterfaces : public QObject
{
    Q_OBJECT

public:
    explicit OpenVpnNetworkInterfaces(QObject *parent = nullptr);

    // Reads the list again; the filter selects VPN interfaces (true) or
    // ordinary network interfaces (false).
    void refresh(bool filter);
    QVector<NetworkInterface> list() const { return m_list; }
    bool isEmpty() const { return m_list.isEmpty(); }
    QString networkInterfacesFilterToString() const;
    // Writes nothing: the single entry carries no interface of its own.
    void print();

    // The name of the entry that stands for the system's networking.
    static QString systemEntryName();

private:
    QVector<NetworkInterface> m_list;
    bool m_filter = true;
};

#pragma once

#include <QString>

// A network interface the tunnel may use: its display name and number.
class NetworkInterface
{
public:
    NetworkInterface() = default;
    NetworkInterface(int id, const QString &name);

    int id() const { return m_id; }
    QString name() const { return m_name; }
    // True for a real interface number (greater than 0).
    bool isValid() const { return m_id > 0; }

private:
    QString m_name;
    int m_id = 0;
};

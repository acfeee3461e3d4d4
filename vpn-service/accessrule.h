#pragma once

#include <QString>

// Who may use the service at all: root, and the members of one group that is
// named when the service starts (the unit file names it; by default the
// product's brand identifier). A user outside the group is refused before the
// WebSocket handshake. When the group does not exist, only root is served.
class AccessRule
{
public:
    explicit AccessRule(const QString &groupName);

    QString groupName() const { return m_groupName; }
    // Empty when the user may use the service, else the reason.
    QString refusal(uint uid) const;
    // One line for the log: the rule as it applies on this machine.
    QString description() const;

private:
    QString m_groupName;
};

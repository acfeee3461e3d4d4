#pragma once

#include <QObject>
#include <QSettings>
#include <QVariant>

// Whether the kill switch and the VPN's DNS servers are active, kept durably
// so that the next start can undo what a crashed or killed client left
// behind. A store of its own (organisation "VPN", application "Status"; on
// Linux ~/.config/VPN/Status.conf), group "Protection". Every change is
// written and synced at once; the store's own failures are not reported.
class Status : public QObject
{
    Q_OBJECT

public:
    explicit Status(QObject *parent = nullptr);

    // Loads both flags; a missing or unreadable key keeps the current value.
    void read();
    // Writes both flags and syncs.
    void save();
    // Empties the store and syncs; the flags in memory stay as they are.
    void reset();

    bool killswitchActivated() const { return m_killswitchActivated; }
    bool dnsActivated() const { return m_dnsActivated; }
    // An unchanged value writes nothing.
    void setKillswitchActivated(bool activated);
    void setDnsActivated(bool activated);

    QString fileName() const;
    void setValue(const QString &key, const QVariant &value);
    QVariant getValue(const QString &key, const QVariant &defaultValue = QVariant()) const;
    void sync();

private:
    QSettings *m_settings;
    bool m_killswitchActivated = false;
    bool m_dnsActivated = false;
};

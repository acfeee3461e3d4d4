#include "status.h"

#include "storedvalue.h"

namespace {
const QString groupProtection = QStringLiteral("Protection");
const QString keyKillswitchActivated = QStringLiteral("killswitchActivated");
const QString keyDnsActivated = QStringLiteral("dnsActivated");
} // namespace

Status::Status(QObject *parent)
    : QObject(parent),
      m_settings(new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("VPN"),
                               QStringLiteral("Status"), this))
{
    setObjectName(QStringLiteral("Status"));
    read();
}

void Status::read()
{
    m_settings->beginGroup(groupProtection);
    m_killswitchActivated
        = StoredValue::toBool(m_settings->value(keyKillswitchActivated), m_killswitchActivated);
    m_dnsActivated = StoredValue::toBool(m_settings->value(keyDnsActivated), m_dnsActivated);
    m_settings->endGroup();
}

void Status::save()
{
    m_settings->beginGroup(groupProtection);
    m_settings->setValue(keyKillswitchActivated, m_killswitchActivated);
    m_settings->setValue(keyDnsActivated, m_dnsActivated);
    m_settings->endGroup();
    m_settings->sync();
}

void Status::reset()
{
    m_settings->clear();
    m_settings->sync();
}

void Status::setKillswitchActivated(bool activated)
{
    if (m_killswitchActivated == activated)
        return;
    m_killswitchActivated = activated;
    save();
}

void Status::setDnsActivated(bool activated)
{
    if (m_dnsActivated == activated)
        return;
    m_dnsActivated = activated;
    save();
}

QString Status::fileName() const
{
    return m_settings->fileName();
}

void Status::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
}

QVariant Status::getValue(const QString &key, const QVariant &defaultValue) const
{
    return m_settings->value(key, defaultValue);
}

void Status::sync()
{
    m_settings->sync();
}

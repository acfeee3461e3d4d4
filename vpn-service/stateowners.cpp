#include "stateowners.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 maxFileSize = 4096;

QString key(StateOwners::Resource resource)
{
    return resource == StateOwners::Resource::Dns ? QStringLiteral("dns") : QStringLiteral("killswitch");
}

void warn(const QString &text)
{
    qWarning().noquote() << QStringLiteral("StateOwners: ") + text;
}
} // namespace

StateOwners::StateOwners(const QString &path) : m_path(path)
{
    load();
}

QString StateOwners::resourceName(Resource resource)
{
    switch (resource) {
    case Resource::Dns:
        return QStringLiteral("the DNS configuration");
    case Resource::KillSwitch:
        return QStringLiteral("the kill switch");
    case Resource::Routes:
        return QStringLiteral("the tunnel routes");
    }
    return QString();
}

qint64 StateOwners::owner(Resource resource) const
{
    const auto found = m_owners.constFind(int(resource));
    return found == m_owners.cend() ? -1 : qint64(found.value());
}

QString StateOwners::refusal(Program program, Effect effect, uint uid) const
{
    QList<Resource> touched;
    switch (effect) {
    case Effect::SwitchDns:
    case Effect::RestoreDns:
        touched << Resource::Dns;
        break;
    case Effect::EnableKillSwitch:
    case Effect::DisableKillSwitch:
        touched << Resource::KillSwitch;
        break;
    case Effect::Tunnel:
        touched << Resource::Routes;
        if (program == Program::WireGuard)
            touched << Resource::Dns;
        break;
    case Effect::None:
        break;
    }
    for (const Resource resource : qAsConst(touched)) {
        const qint64 holder = owner(resource);
        if (holder >= 0 && holder != qint64(uid))
            return QStringLiteral("%1 belongs to user %2")
                .arg(resourceName(resource), QString::number(holder));
    }
    return QString();
}

bool StateOwners::restoresOwnState(Effect effect, uint uid) const
{
    if (effect == Effect::RestoreDns)
        return owner(Resource::Dns) == qint64(uid);
    if (effect == Effect::DisableKillSwitch)
        return owner(Resource::KillSwitch) == qint64(uid);
    return false;
}

StateOwners::Claim StateOwners::started(Program program, Effect effect, uint uid)
{
    Claim claim;
    switch (effect) {
    case Effect::SwitchDns:
        take(Resource::Dns, uid);
        break;
    case Effect::EnableKillSwitch:
        take(Resource::KillSwitch, uid);
        break;
    case Effect::Tunnel:
        claim.routes = owner(Resource::Routes) < 0;
        take(Resource::Routes, uid);
        if (program == Program::WireGuard) {
            claim.dns = owner(Resource::Dns) < 0;
            take(Resource::Dns, uid);
        }
        break;
    case Effect::RestoreDns:
    case Effect::DisableKillSwitch:
    case Effect::None:
        break;
    }
    return claim;
}

void StateOwners::finished(Effect effect, uint uid, int exitCode, const Claim &claim, bool engineRunsOn)
{
    switch (effect) {
    case Effect::RestoreDns:
        // A restore that failed leaves the state switched: it stays the user's.
        if (exitCode == 0)
            give(Resource::Dns, uid);
        break;
    case Effect::DisableKillSwitch:
        if (exitCode == 0)
            give(Resource::KillSwitch, uid);
        break;
    case Effect::Tunnel:
        if (!engineRunsOn)
            give(Resource::Routes, uid);
        // The WireGuard engine restores the DNS it switched when it ends.
        if (claim.dns)
            give(Resource::Dns, uid);
        break;
    case Effect::SwitchDns:
    case Effect::EnableKillSwitch:
    case Effect::None:
        break;
    }
}

void StateOwners::take(Resource resource, uint uid)
{
    if (owner(resource) == qint64(uid))
        return;
    m_owners.insert(int(resource), uid);
    if (resource != Resource::Routes)
        save();
}

void StateOwners::give(Resource resource, uint uid)
{
    if (owner(resource) != qint64(uid))
        return;
    m_owners.remove(int(resource));
    if (resource != Resource::Routes)
        save();
}

void StateOwners::load()
{
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.exists())
        return;
    // The file is the service's own; one that anybody else could have written is not believed.
    const QFileInfo info(m_path);
    if (!file.open(QIODevice::ReadOnly) || info.ownerId() != 0 || info.isSymLink()
        || (info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther))) {
        warn(QStringLiteral("Ignoring the owners file '%1'").arg(m_path));
        return;
    }
    for (const QByteArray &line : file.read(maxFileSize).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('=');
        bool ok = false;
        const uint uid = fields.value(1).toUInt(&ok);
        if (fields.size() != 2 || !ok)
            continue;
        for (const Resource resource : {Resource::Dns, Resource::KillSwitch}) {
            if (fields.first() == key(resource).toLatin1())
                m_owners.insert(int(resource), uid);
        }
    }
}

void StateOwners::save() const
{
    if (m_path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(m_path).path());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        warn(QStringLiteral("Cannot write the owners file '%1'").arg(m_path));
        return;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const Resource resource : {Resource::Dns, Resource::KillSwitch}) {
        if (owner(resource) >= 0)
            file.write(key(resource).toLatin1() + '=' + QByteArray::number(owner(resource)) + '\n');
    }
    if (!file.commit())
        warn(QStringLiteral("Cannot write the owners file '%1'").arg(m_path));
}

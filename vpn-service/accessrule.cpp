#include "accessrule.h"

#include <QByteArray>
#include <QVector>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {
bool groupId(const QString &name, gid_t *gid)
{
    struct group entry
    {
    };
    struct group *result = nullptr;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    if (::getgrnam_r(name.toLocal8Bit().constData(), &entry, buffer.data(), size_t(buffer.size()), &result)
            != 0
        || !result)
        return false;
    *gid = result->gr_gid;
    return true;
}

// The user's primary group and every supplementary group of the group database.
bool isMember(uid_t uid, gid_t gid)
{
    struct passwd entry
    {
    };
    struct passwd *result = nullptr;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    if (::getpwuid_r(uid, &entry, buffer.data(), size_t(buffer.size()), &result) != 0 || !result)
        return false;
    if (result->pw_gid == gid)
        return true;
    int count = 64;
    QVector<gid_t> groups(count);
    if (::getgrouplist(result->pw_name, result->pw_gid, groups.data(), &count) < 0) {
        groups.resize(count);
        if (::getgrouplist(result->pw_name, result->pw_gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(count);
    return groups.contains(gid);
}
} // namespace

AccessRule::AccessRule(const QString &groupName) : m_groupName(groupName)
{ }

QString AccessRule::refusal(uint uid) const
{
    if (uid == 0)
        return QString();
    gid_t gid = 0;
    if (m_groupName.isEmpty() || !groupId(m_groupName, &gid))
        return QStringLiteral("user %1 is not root and the group '%2' does not exist")
            .arg(QString::number(uid), m_groupName);
    if (!isMember(uid_t(uid), gid))
        return QStringLiteral("user %1 is not a member of the group '%2'")
            .arg(QString::number(uid), m_groupName);
    return QString();
}

QString AccessRule::description() const
{
    gid_t gid = 0;
    if (m_groupName.isEmpty() || !groupId(m_groupName, &gid))
        return QStringLiteral("Serving root only: the group '%1' does not exist").arg(m_groupName);
    return QStringLiteral("Serving root and the members of the group '%1' (%2)")
        .arg(m_groupName, QString::number(gid));
}

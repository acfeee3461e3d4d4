#pragma once

#include "commandpolicy.h"

#include <QHash>
#include <QString>

// Who holds the machine-wide state that the tools and engines change: the
// DNS configuration, the kill switch and the routes of a tunnel. Each has one
// owner at a time. While a user holds one, another user's attempt to change it
// is refused; the owner's own changes, and its release, always pass.
//
// A user takes the DNS when its "dns vpn" starts and gives it back when a
// "dns user" or "dns reset" of its own succeeds; the kill switch likewise with
// "enable" and "disable". An engine holds the routes (a WireGuard engine also
// the DNS, which it switches itself) until it ends. Who holds the DNS and the
// kill switch is kept in a root-only file, so that a restarted service still
// knows; the routes end with the engines, which end with the service.
class StateOwners
{
public:
    enum class Resource { Dns, KillSwitch, Routes };
    using Effect = CommandPolicy::Effect;
    using Program = CommandPolicy::Program;

    // path: the file that keeps the owners; empty keeps them in memory only.
    explicit StateOwners(const QString &path = QString());

    // -1 when nobody holds it.
    qint64 owner(Resource resource) const;

    // Empty when the user may run a program with this effect, else the reason.
    QString refusal(Program program, Effect effect, uint uid) const;
    // Whether the program gives back state that the user holds: such programs
    // run even when the user has reached the program limit.
    bool restoresOwnState(Effect effect, uint uid) const;

    // What a started program took, to be handed back to finished().
    struct Claim
    {
        bool dns = false;
        bool routes = false;
    };
    Claim started(Program program, Effect effect, uint uid);
    // engineRunsOn: whether another engine of the same user still holds the routes.
    void finished(Effect effect, uint uid, int exitCode, const Claim &claim, bool engineRunsOn);

    static QString resourceName(Resource resource);

private:
    void take(Resource resource, uint uid);
    void give(Resource resource, uint uid);
    void load();
    void save() const;

    QString m_path;
    QHash<int, uint> m_owners;
};

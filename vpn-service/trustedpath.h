#pragma once

#include <QString>

// Whether a program may be run with the service's rights: the program and
// every directory above it, both along the path as written and along the
// path its symbolic links lead to, belong to root (or to the service's own
// user) and cannot be changed by anybody else. Otherwise another user could
// put a program of their own in its place.
class TrustedPath
{
public:
    // Empty when the path is trusted, else the reason.
    static QString executableProblem(const QString &path);

private:
    static QString entryProblem(const QString &path, bool mustBeDirectory);
    static QString chainProblem(const QString &path);
};

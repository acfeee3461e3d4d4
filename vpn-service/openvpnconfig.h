#pragma once

#include "openvpnoptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The OpenVPN configurations the service agrees to run: exactly the options
// that the client's templates and connection options produce, each with the
// argument shapes the client writes, and key material only inline. Nothing
// that runs programs, loads code, reads or writes files, makes or removes
// devices, sets routes or addresses, or takes the management interface.
//
// A configuration that passes is written back in a canonical form of the
// service's own: one option per line, every argument in a shape that reads
// back as the same word, inline blocks reduced to their certificate or key
// lines. OpenVPN runs that text, never the client's.
class OpenVpnConfig
{
public:
    // False with a reason that names the line; *config is set on success.
    static bool parse(const QByteArray &text, OpenVpnConfig *config, QString *error);

    QList<OpenVpnOptions::Option> options() const { return m_options; }
    QByteArray canonicalText() const;

    // Whether an option of this name can ever pass the check.
    static bool isAllowedName(const QByteArray &name);

private:
    QList<OpenVpnOptions::Option> m_options;
};

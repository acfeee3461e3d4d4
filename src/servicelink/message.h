#pragma once

#include <QString>

// One "started:" or "finished:" report of the vpn-service, parsed. Any other
// text the service sends parses as an invalid message.
//
// The body after the prefix is split at every comma, empty fields kept: the
// second field is the status (an unsigned decimal number, 0 otherwise), the
// last field names the process. The vpn-service puts the process id into the
// first field of a report with three or more fields.
class Message
{
public:
    enum class Kind { None, Started, Finished };

    static Message fromString(const QString &text);

    bool isValid() const { return m_kind != Kind::None; }
    bool started() const { return m_kind == Kind::Started; }
    bool finished() const { return m_kind == Kind::Finished; }
    int status() const { return m_status; }
    QString tagName() const { return m_tagName; }
    // The process id of a report with three or more fields; 0 when there is none.
    qint64 processId() const { return m_processId; }

private:
    static QString extractData(const QString &prefix, const QString &text, int &status, qint64 &processId);

    int m_status = 0;
    qint64 m_processId = 0;
    QString m_tagName;
    Kind m_kind = Kind::None;
};

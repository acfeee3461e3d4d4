#pragma once

#include <QString>
#include <QStringList>

// One command frame of a client, parsed:
//   "init: connection"
//   "start: " followed by double-quoted words (program path, then arguments)
//   "start: <kill NAME>"
//   "stop: <NAME>"
// Words are separated by single blanks; nothing inside a word is escaped, so
// a word may hold double quotes but never a double quote, a blank and a
// double quote in a row. Anything else is invalid, with a reason.
class ServiceCommand
{
public:
    enum class Kind { Invalid, Init, Start, Kill, Stop };

    static constexpr int maxWords = 256;

    static ServiceCommand parse(const QString &text);

    Kind kind() const { return m_kind; }
    bool isValid() const { return m_kind != Kind::Invalid; }
    // Start: the program path followed by its arguments.
    QStringList words() const { return m_words; }
    // Kill and stop: the process name.
    QString name() const { return m_name; }
    // Invalid: why.
    QString error() const { return m_error; }

private:
    static ServiceCommand invalid(const QString &reason);
    static ServiceCommand named(Kind kind, const QString &body);

    Kind m_kind = Kind::Invalid;
    QStringList m_words;
    QString m_name;
    QString m_error;
};

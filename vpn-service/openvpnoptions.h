#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// An OpenVPN configuration file split into options exactly the way OpenVPN
// itself splits it, so that what the service checks is what OpenVPN would
// have read:
// - lines end at a line feed; a UTF-8 byte-order mark before the first line
//   is skipped;
// - words are separated by the C library's white space (blank, tab, carriage
//   return, vertical tab, form feed);
// - "..." groups a word in which a backslash escapes a backslash, a double
//   quote or white space; '...' groups a word with no escapes at all; a
//   backslash outside quotes escapes the same three; any other escape makes
//   OpenVPN refuse the line;
// - a word that begins with '#' or ';' ends the line (a comment);
// - a leading "--" of the first word is dropped;
// - a line that is a single word "<name>" opens an inline block whose raw
//   lines run up to the first line that, after leading white space, begins
//   with "</name>".
class OpenVpnOptions
{
public:
    struct Option
    {
        QByteArray name;
        QList<QByteArray> arguments;
        // An inline block: its raw lines, each without its line feed.
        bool isInline = false;
        QList<QByteArray> body;
        // Where the option begins in the file, counted from 1.
        int line = 0;
    };

    // OpenVPN reads at most this many characters of a line at once and
    // would read the rest as a line of its own; longer lines are refused.
    static constexpr int maxLineLength = 250;
    // OpenVPN keeps at most 15 words of a line and drops the rest silently.
    static constexpr int maxWords = 15;

    // False with a reason naming the line when the text cannot be read the
    // way OpenVPN would read it without doubt.
    static bool read(const QByteArray &text, QList<Option> *options, QString *error);

    // One line's words; false when OpenVPN would refuse the line.
    static bool splitLine(const QByteArray &line, QList<QByteArray> *words, QString *error);

    static bool isSpace(char c);
};

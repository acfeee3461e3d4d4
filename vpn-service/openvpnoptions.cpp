#include "openvpnoptions.h"

namespace {
const QByteArray byteOrderMark = "\xEF\xBB\xBF";

QString at(int line, const QString &problem)
{
    return QStringLiteral("line %1: %2").arg(QString::number(line), problem);
}

QByteArray withoutLeadingSpace(const QByteArray &line)
{
    int start = 0;
    while (start < line.size() && OpenVpnOptions::isSpace(line.at(start)))
        ++start;
    return line.mid(start);
}
} // namespace

bool OpenVpnOptions::isSpace(char c)
{
    // isspace() of the C locale, which OpenVPN runs in.
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool OpenVpnOptions::splitLine(const QByteArray &line, QList<QByteArray> *words, QString *error)
{
    enum State { Initial, Unquoted, Quoted, SingleQuoted };
    words->clear();
    State state = Initial;
    bool backslash = false;
    QByteArray word;
    // The terminating NUL is read as white space, as OpenVPN reads its C string.
    for (int i = 0; i <= line.size(); ++i) {
        const char in = i < line.size() ? line.at(i) : '\0';
        const bool space = in == '\0' || isSpace(in);
        if (!backslash && in == '\\' && state != SingleQuoted) {
            backslash = true;
            continue;
        }
        char out = 0;
        bool done = false;
        switch (state) {
        case Initial:
            if (space)
                break;
            if (in == '#' || in == ';')
                return true;
            if (!backslash && in == '"') {
                state = Quoted;
            } else if (!backslash && in == '\'') {
                state = SingleQuoted;
            } else {
                out = in;
                state = Unquoted;
            }
            break;
        case Unquoted:
            if (!backslash && space)
                done = true;
            else
                out = in;
            break;
        case Quoted:
            if (!backslash && in == '"')
                done = true;
            else
                out = in;
            break;
        case SingleQuoted:
            if (in == '\'')
                done = true;
            else
                out = in;
            break;
        }
        if (backslash && out && out != '\\' && out != '"' && !isSpace(out)) {
            *error = QStringLiteral("a backslash escapes a character that OpenVPN does not accept there");
            return false;
        }
        backslash = false;
        if (out)
            word += out;
        if (done) {
            if (words->size() == maxWords) {
                *error = QStringLiteral("more than %1 words").arg(maxWords);
                return false;
            }
            words->append(word);
            word.clear();
            state = Initial;
        }
    }
    if (state == Quoted || state == SingleQuoted) {
        *error = QStringLiteral("a quotation is not closed");
        return false;
    }
    // Only a backslash at the very end leaves a word unfinished.
    if (state != Initial) {
        *error = QStringLiteral("the line ends in a backslash");
        return false;
    }
    return true;
}

bool OpenVpnOptions::read(const QByteArray &text, QList<Option> *options, QString *error)
{
    options->clear();
    if (text.contains('\0')) {
        *error = QStringLiteral("the configuration contains a NUL byte");
        return false;
    }
    QList<QByteArray> lines = text.split('\n');
    // A final line feed ends the last line; it does not begin another.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (!lines.isEmpty() && lines.first().startsWith(byteOrderMark))
        lines.first().remove(0, byteOrderMark.size());

    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        if (lines.at(i).size() > maxLineLength) {
            *error = at(number, QStringLiteral("the line is too long"));
            return false;
        }
        QList<QByteArray> words;
        QString problem;
        if (!splitLine(lines.at(i), &words, &problem)) {
            *error = at(number, problem);
            return false;
        }
        if (words.isEmpty())
            continue;
        if (words.first().startsWith("--"))
            words.first().remove(0, 2);

        Option option;
        option.line = number;
        const QByteArray &first = words.first();
        if (words.size() == 1 && first.size() >= 2 && first.startsWith('<') && first.endsWith('>')) {
            option.name = first.mid(1, first.size() - 2);
            option.isInline = true;
            const QByteArray closeTag = "</" + option.name + '>';
            bool closed = false;
            while (++i < lines.size()) {
                if (lines.at(i).size() > maxLineLength) {
                    *error = at(i + 1, QStringLiteral("the line is too long"));
                    return false;
                }
                if (withoutLeadingSpace(lines.at(i)).startsWith(closeTag)) {
                    closed = true;
                    break;
                }
                option.body.append(lines.at(i));
            }
            if (!closed) {
                *error = at(number, QStringLiteral("the inline block is not closed"));
                return false;
            }
        } else {
            option.name = first;
            option.arguments = words.mid(1);
        }
        options->append(option);
    }
    return true;
}

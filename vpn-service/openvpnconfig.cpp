#include "openvpnconfig.h"

#include "commandpolicy.h"

#include <QRegularExpression>
#include <QSslCertificate>

#include <algorithm>
#include <functional>

namespace {
using Option = OpenVpnOptions::Option;
using Check = std::function<bool(const QByteArray &)>;

bool matches(const QByteArray &word, const QString &pattern)
{
    const QRegularExpression expression(QStringLiteral("\\A(?:") + pattern + QStringLiteral(")\\z"));
    return expression.match(QString::fromLatin1(word)).hasMatch();
}

Check pattern(const QString &text)
{
    return [text](const QByteArray &word) { return matches(word, text); };
}

Check oneOf(const QList<QByteArray> &values)
{
    return [values](const QByteArray &word) { return values.contains(word); };
}

Check number(int low, int high)
{
    return [low, high](const QByteArray &word) {
        bool ok = false;
        const int value = word.toInt(&ok);
        return ok && matches(word, QStringLiteral("[0-9]{1,5}")) && value >= low && value <= high;
    };
}

bool isHost(const QByteArray &word)
{
    if (CommandPolicy::isAddress(QString::fromLatin1(word)))
        return true;
    static const QString label = QStringLiteral("[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?");
    return word.size() <= 253
        && matches(word, label + QStringLiteral("(?:\\.") + label + QStringLiteral(")*"));
}

// Inline blocks: the lines of key material that are kept, or an error.
using BlockCheck = std::function<bool(const QList<QByteArray> &, QList<QByteArray> *, QString *)>;

QByteArray trimmedLine(const QByteArray &line)
{
    return line.trimmed();
}

// One or more PEM certificates and nothing else.
bool certificates(const QList<QByteArray> &body, QList<QByteArray> *kept, QString *error)
{
    const QByteArray begin = "-----BEGIN CERTIFICATE-----";
    const QByteArray end = "-----END CERTIFICATE-----";
    constexpr int maxCertificates = 16;
    bool inside = false;
    int count = 0;
    QByteArray base64;
    for (const QByteArray &raw : body) {
        const QByteArray line = trimmedLine(raw);
        if (line.isEmpty())
            continue;
        if (!inside) {
            if (line != begin || ++count > maxCertificates) {
                *error = QStringLiteral("it holds more than certificates");
                return false;
            }
            inside = true;
            base64.clear();
        } else if (line == end) {
            inside = false;
            if (base64.isEmpty()
                || QByteArray::fromBase64(base64, QByteArray::AbortOnBase64DecodingErrors).isEmpty()) {
                *error = QStringLiteral("a certificate is not Base64");
                return false;
            }
        } else if (matches(line, QStringLiteral("[A-Za-z0-9+/]{1,76}={0,2}"))) {
            base64 += line;
        } else {
            *error = QStringLiteral("a certificate is not Base64");
            return false;
        }
        kept->append(line);
    }
    if (inside || count == 0) {
        *error = QStringLiteral("it holds no complete certificate");
        return false;
    }
    // Each block must be a certificate the TLS library reads, not just Base64.
    const QList<QSslCertificate> parsed = QSslCertificate::fromData(kept->join('\n'), QSsl::Pem);
    if (parsed.size() != count
        || std::any_of(parsed.cbegin(), parsed.cend(), [](const QSslCertificate &c) { return c.isNull(); })) {
        *error = QStringLiteral("a block is not a certificate");
        return false;
    }
    return true;
}

// One OpenVPN static key (2048 bits in 16 lines of hex); comment lines around it are dropped.
bool staticKey(const QList<QByteArray> &body, QList<QByteArray> *kept, QString *error)
{
    const QByteArray begin = "-----BEGIN OpenVPN Static key V1-----";
    const QByteArray end = "-----END OpenVPN Static key V1-----";
    enum { Before, Inside, After } state = Before;
    int keyLines = 0;
    for (const QByteArray &raw : body) {
        const QByteArray line = trimmedLine(raw);
        if (state != Inside && (line.isEmpty() || line.startsWith('#')))
            continue;
        if (state == Before && line == begin) {
            state = Inside;
        } else if (state == Inside && line == end && keyLines == 16) {
            state = After;
        } else if (state == Inside && keyLines < 16 && matches(line, QStringLiteral("[0-9a-fA-F]{32}"))) {
            ++keyLines;
        } else {
            *error = QStringLiteral("it is not one OpenVPN static key");
            return false;
        }
        kept->append(line);
    }
    if (state != After) {
        *error = QStringLiteral("it is not one OpenVPN static key");
        return false;
    }
    return true;
}

struct Rule
{
    QByteArray name;
    // One check per argument; the arguments after the first minArguments are optional.
    QList<Check> arguments;
    int minArguments = 0;
    // Set for options that are allowed only as inline blocks.
    BlockCheck block;
};

const QList<Rule> &rules()
{
    static const QList<Rule> table = [] {
        const Check protocol = oneOf(
            {"udp", "tcp", "tcp-client", "udp4", "udp6", "tcp4", "tcp6", "tcp4-client", "tcp6-client"});
        const Check port = number(1, 65535);
        return QList<Rule> {
            {"client", {}, 0, {}},
            {"dev", {oneOf({"tun"})}, 1, {}},
            {"remote", {isHost, port, protocol}, 1, {}},
            // Only from the management interface: a file argument would be read as root.
            {"auth-user-pass", {}, 0, {}},
            {"auth-nocache", {}, 0, {}},
            {"nobind", {}, 0, {}},
            {"auth", {pattern(QStringLiteral("[A-Za-z0-9-]{1,32}"))}, 1, {}},
            {"cipher", {pattern(QStringLiteral("[A-Za-z0-9-]{1,32}"))}, 1, {}},
            {"tls-client", {}, 0, {}},
            {"tls-cipher", {pattern(QStringLiteral("[A-Za-z0-9_:+-]{1,200}"))}, 1, {}},
            {"remote-cert-eku",
             {pattern(QStringLiteral("[A-Za-z0-9.](?:[A-Za-z0-9. ]{0,62}[A-Za-z0-9.])?"))},
             1,
             {}},
            {"persist-key", {}, 0, {}},
            {"persist-tun", {}, 0, {}},
            {"compress", {oneOf({"lz4-v2", "lz4", "stub-v2", "stub", "migrate"})}, 0, {}},
            {"verb", {number(0, 11)}, 1, {}},
            {"mute-replay-warnings", {}, 0, {}},
            {"replay-window", {number(1, 65535), number(1, 3600)}, 1, {}},
            // What a server may not push: the text is compared with pushed options only.
            {"pull-filter",
             {oneOf({"accept", "ignore", "reject"}),
              pattern(QStringLiteral("[A-Za-z0-9._:/-](?:[A-Za-z0-9._:/ -]{0,126}[A-Za-z0-9._:/-])?"))},
             2,
             {}},
            {"ca", {}, 0, certificates},
            {"tls-crypt", {}, 0, staticKey},
        };
    }();
    return table;
}

const Rule *ruleFor(const QByteArray &name)
{
    for (const Rule &rule : rules()) {
        if (rule.name == name)
            return &rule;
    }
    return nullptr;
}

// A name as a log line may show it: printable, short.
QString shownName(const QByteArray &name)
{
    QString text;
    for (const char c : name.left(40))
        text += (c > 0x20 && c < 0x7f) ? QLatin1Char(c) : QLatin1Char('?');
    return name.size() > 40 ? text + QStringLiteral("...") : text;
}

QString check(Option &option)
{
    const QString name = shownName(option.name);
    const Rule *rule = ruleFor(option.name);
    if (!rule)
        return option.isInline ? QStringLiteral("inline block '%1' is not allowed").arg(name)
                               : QStringLiteral("directive '%1' is not allowed").arg(name);
    if (rule->block) {
        if (!option.isInline)
            return QStringLiteral("'%1' is allowed only as an inline block").arg(name);
        QList<QByteArray> kept;
        QString problem;
        if (!rule->block(option.body, &kept, &problem))
            return QStringLiteral("the '%1' block is refused: %2").arg(name, problem);
        option.body = kept;
        return QString();
    }
    if (option.isInline)
        return QStringLiteral("'%1' is not allowed as an inline block").arg(name);
    const int count = option.arguments.size();
    if (count < rule->minArguments || count > rule->arguments.size())
        return QStringLiteral("'%1' has %2 argument(s)").arg(name, QString::number(count));
    for (int i = 0; i < count; ++i) {
        if (!rule->arguments.at(i)(option.arguments.at(i)))
            return QStringLiteral("argument %1 of '%2' is not allowed").arg(QString::number(i + 1), name);
    }
    return QString();
}
} // namespace

bool OpenVpnConfig::isAllowedName(const QByteArray &name)
{
    return ruleFor(name) != nullptr;
}

bool OpenVpnConfig::parse(const QByteArray &text, OpenVpnConfig *config, QString *error)
{
    QList<Option> options;
    if (!OpenVpnOptions::read(text, &options, error))
        return false;
    bool client = false;
    bool device = false;
    bool remote = false;
    for (Option &option : options) {
        const QString problem = check(option);
        if (!problem.isEmpty()) {
            *error = QStringLiteral("line %1: %2").arg(QString::number(option.line), problem);
            return false;
        }
        client = client || option.name == "client";
        device = device || option.name == "dev";
        remote = remote || option.name == "remote";
    }
    if (!client || !device || !remote) {
        *error = QStringLiteral("the configuration lacks 'client', 'dev' or 'remote'");
        return false;
    }
    config->m_options = options;
    return true;
}

QByteArray OpenVpnConfig::canonicalText() const
{
    QByteArray text;
    for (const Option &option : m_options) {
        if (option.isInline) {
            text += '<' + option.name + ">\n";
            for (const QByteArray &line : option.body)
                text += line + '\n';
            text += "</" + option.name + ">\n";
            continue;
        }
        text += option.name;
        // Every allowed argument is made of characters that need no escape;
        // one with blanks is quoted to stay one word.
        for (const QByteArray &argument : option.arguments)
            text += ' ' + (argument.contains(' ') ? '"' + argument + '"' : argument);
        text += '\n';
    }
    return text;
}

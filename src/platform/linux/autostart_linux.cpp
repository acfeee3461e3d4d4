#include "autostart.h"

#include "buildconfig.h"
#include "utils.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {
const QString entryGroup = QStringLiteral("[Desktop Entry]");

void info(const QString &text)
{
    qInfo().noquote() << AutoStart::objectName() + QStringLiteral(": ") + text;
}

// Quoting of one Exec argument (desktop entry rules): an argument with a
// reserved character goes in double quotes, with ", `, $ and \ escaped.
QString quotedArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    if (!needsQuotes)
        return argument;
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Escaping of a string value: backslashes and line breaks; "%" starts a
// field code in Exec and is doubled there.
QString escapedValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    escaped.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    escaped.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return escaped;
}

QString execValue()
{
    QString exec = quotedArgument(QCoreApplication::applicationFilePath());
    exec.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return escapedValue(exec);
}

QByteArray entryText()
{
    QString text;
    QTextStream stream(&text);
    stream << entryGroup << '\n'
           << "Type=Application\n"
           << "Name=" << escapedValue(QString::fromUtf8(BuildConfig::title)) << '\n'
           << "Exec=" << execValue() << '\n'
           << "Terminal=false\n"
           << "X-GNOME-Autostart-enabled=true\n";
    stream.flush();
    return text.toUtf8();
}
} // namespace

QString AutoStart::desktopFileName()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("vpnclient") : name;
}

QString AutoStart::desktopFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/%1.desktop").arg(desktopFileName());
}

bool AutoStart::enabled()
{
    QFile file(desktopFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;

    const QString expectedExec = execValue();
    bool inEntry = false;
    bool runsThisExecutable = false;
    bool hidden = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == entryGroup;
            continue;
        }
        if (!inEntry)
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec"))
            runsThisExecutable = value == expectedExec;
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
        else if (key == QLatin1String("X-GNOME-Autostart-enabled"))
            hidden = hidden || value == QLatin1String("false");
    }
    return runsThisExecutable && !hidden;
}

bool AutoStart::setEnabled(bool enable)
{
    const QString path = desktopFilePath();
    if (enable) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(entryText()) < 0 || !file.commit())
            qWarning().noquote() << objectName()
                    + QStringLiteral(": Cannot write '%1': %2").arg(path, file.errorString());
    } else if (QFileInfo::exists(path) && !QFile::remove(path)) {
        qWarning().noquote() << objectName() + QStringLiteral(": Cannot remove '%1'").arg(path);
    }

    const bool state = enabled();
    info(QStringLiteral("Set enabled: '%1', status '%2'")
             .arg(Utils::boolString(enable), Utils::boolString(state == enable)));
    return state;
}

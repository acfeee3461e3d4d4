#pragma once

#include <QString>
#include <QStringList>

class QTemporaryFile;

// Static helpers shared by every subsystem: where the program and its data
// live, short external commands, small file operations, address checks,
// texts for the log and the flag image of a country.
//
// The program runners block the calling thread for at most 30 seconds.
// Failures are logged as warnings and returned as empty or false results.
class Utils
{
public:
    static QString objectName() { return QStringLiteral("Utils"); }

    // Paths
    static QString programDataPath();
    static QString logDataPath();
    static QString dnsDataFileNamePath();
    static bool makeDirPath(const QString &path);
    static QString urlToLocalFile(const QString &text);
    static QString platformExecutable(const QString &name, bool inApplicationDirectory);

    // Short external programs
    static bool executableExists(const QString &name);
    static QString processOutput(const QString &command, bool simplified);
    static bool processIsRunning(const QString &name, bool matchFullCommandLine);

    // Files
    static void createEmptyFile(const QString &path);
    static void appendSeparatorLine(const QString &path);
    static bool save(const QString &path, const QString &text);
    static QTemporaryFile *createTempFile(const QString &path);

    // Texts
    static QString emptyIpAddress() { return QStringLiteral("0.0.0.0"); }
    static QString retranslateUiKeyWord() { return QStringLiteral("retranslateUi"); }
    static QString separatorLine() { return QString(80, QLatin1Char('=')); }
    static QString defaultFlag() { return QStringLiteral("qrc:/resources/icons/flags/unknown.png"); }
    static QString boolString(bool value);
    static QString quotedString(const QString &text);
    static QString joinStringList(const QStringList &list, const QString &separator);
    static QString replacePathsWithFileNames(const QString &text);
    static bool isValidIPv4Address(const QString &text);
    static bool isValidIPv6Address(const QString &text);
    static bool emptyIpAddress(const QString &text);
    static std::wstring toWString(const QString &text);
    static QString fromWString(const std::wstring &text);
    static QString howToInstallLinuxPackages(const QStringList &packages);

    static QString countryFlagSource(const QString &code);

    // Sets the MTU of the tunnel interface "tun<interfaceId>" with ifconfig;
    // an MTU below 1 stands for the default of 1500.
    static void setMtuSize(int interfaceId, int mtu);
    static QStringList mtuSizeArguments(int interfaceId, int mtu);

    // Timeout of every short external program, in milliseconds.
    static constexpr int programTimeout = 30000;

private:
    // Runs the program and returns its standard output up to the first NUL byte.
    static QByteArray runProgram(const QString &program, const QStringList &arguments, bool mergeChannels,
                                 bool *exitedNormally = nullptr);
};

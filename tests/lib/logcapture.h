#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the messages written through the framework's message functions
// while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        s_previous = qInstallMessageHandler(&LogCapture::handler);
        s_lines().clear();
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }

    QStringList lines() const { return s_lines(); }
    bool contains(const QString &text) const
    {
        for (const QString &line : s_lines()) {
            if (line.contains(text))
                return true;
        }
        return false;
    }

private:
    static QStringList &s_lines()
    {
        static QStringList lines;
        return lines;
    }
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        s_lines().append(message);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP turned into a signal of the event loop, so that
// a privileged program can end what it started before it goes. SIGPIPE is
// ignored. A child between fork and exec still runs the handler: there the
// signal is the child's own and ends it as if no handler were installed,
// without a word to the parent.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

    // False when the signals cannot be watched.
    bool watch();

signals:
    void received(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};

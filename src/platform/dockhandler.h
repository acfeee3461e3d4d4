#pragma once

#include <QObject>

// Brings the window back when the desktop asks the application to re-open
// (a click on its dock icon). registerHandler() installs the handler once;
// clicked() is emitted for every re-open request. Desktops without a dock
// mark the handler registered and never emit.
class DockHandler : public QObject
{
    Q_OBJECT

public:
    explicit DockHandler(QObject *parent = nullptr);

    void registerHandler();
    bool registered() const { return m_registered; }

signals:
    void clicked();

private:
    bool m_registered = false;
};

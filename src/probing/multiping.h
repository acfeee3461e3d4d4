#pragma once

#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class NativePing;

// Probes many server addresses at once, one ICMP echo probe (NativePing) per
// address with a limit of 1000 ms, and reports when the whole batch is done.
//
// lastRequestFinished() carries one "address:value" text per probe in the order
// the results arrived: the servers that answered, fastest first, then the ones
// that failed (value 100000). requestFinished() gives the same results ranked
// by value, then by address.
//
// Addresses sent while probes are in flight join the running batch. The number
// of probes in flight is bounded only by the descriptors the process may open
// (each probe holds a socket and a thread); beyond that, addresses wait for a
// free place and are probed as earlier probes end.
class MultiPing : public QObject
{
    Q_OBJECT
public:
    explicit MultiPing(QObject *parent = nullptr);
    ~MultiPing() override;

    // The batch text list so far ("address:value" in order of arrival).
    QStringList results() const { return m_batch; }

    // How many probes may run at once in this process.
    static int maxProbesInFlight();

public slots:
    void sendRequest(const QStringList &list);
    void sendRequest(const QString &ip);

signals:
    void requestFinished(const QString &ip, ushort value);
    void lastRequestFinished(const QStringList &data);

private slots:
    void onPingFinished(bool success, uint value);

private:
    void startProbe(const QString &ip);

    QStringList m_batch;
    QVector<QPair<uint, QString>> m_pending;
    QVector<QPair<QString, NativePing *>> m_probes;
    QStringList m_waiting;
};

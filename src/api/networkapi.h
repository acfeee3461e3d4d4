#pragma once

#include "account.h"
#include "server.h"

#include <QObject>
#include <QString>

class QNetworkReply;
class QNetworkRequest;
class QUrl;

// The client's only HTTP client. It asks the remote API for the server
// directory, the public IP address with its country and the user's account,
// recognises each reply by its address, parses it and announces the result.
// A failed request is announced with empty values; callers decide on
// retries, NetworkApi never repeats a request by itself.
class NetworkApi : public QObject
{
    Q_OBJECT

public:
    explicit NetworkApi(QObject *parent = nullptr);

    // Asks for the account and its WireGuard data with Basic credentials.
    void apiRequestWireguardData(const QString &userName, const QString &password);
    // A GET with the given "Authorization" text, or the API token as a
    // bearer when the text is empty.
    void apiSendRequest(const QUrl &address, const QString &authorization);
    // No new request for the rest of the run; replies in flight are still
    // dispatched.
    void disableNewRequests();
    bool newRequestsDisabled() const { return m_requestsDisabled; }

    // Milliseconds after which callers ask again (empty server list, public IP).
    static int networkInterval() { return 20000; }
    // "Basic " and the Base64 of the UTF-8 of user name, colon, password.
    static QString basicAuthorization(const QString &userName, const QString &password);

    // Reply parsers. They never reject a record for a missing value: the
    // records carry empty texts or zeros and their consumers judge validity.
    Servers xmlToServerList(const QString &text) const;
    bool jsonToGeoIp(const QByteArray &body, QString &ip, QString &countryCode) const;
    Account apiJsonToAccount(const QByteArray &body) const;
    Servers apiJsonToServerList(const QByteArray &body) const;

    // Time limit of every request.
    static constexpr int requestTimeout = 20000;
    // A reply body larger than this is cancelled and reported as failed.
    static constexpr qint64 maxReplySize = 4 * 1024 * 1024;
    // Replaces the time limit of the following requests (tests only).
    void setRequestTimeout(int milliseconds) { m_requestTimeout = milliseconds; }

public slots:
    void doRequests();
    void requestServerList();
    void requestCurrentIpAddress();

signals:
    void requestServerListFinished(const Servers &servers);
    void requestCurrentIpAddressFinished(const QString &ip, const QString &countryCode);
    void apiRequestAccountFinished(const Account &account);

protected slots:
    void onFinished(QNetworkReply *reply);

private:
    void doGetRequest(const QNetworkRequest &request);
    // Cancels a reply whose body (or announced length) exceeds maxReplySize.
    void limitReplySize(QNetworkReply *reply, qint64 size);
    void warnTooLarge(const QString &masked) const;
    void dispatchFailure(const QString &address, const QString &masked);
    void dispatchSuccess(const QString &address, const QString &masked, const QByteArray &body);
    bool parseJson(const QByteArray &body, QVariantMap &data) const;

    Servers m_servers;
    bool m_requestsDisabled = false;
    int m_requestTimeout = requestTimeout;
};

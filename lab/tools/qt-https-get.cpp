// Fetches one HTTPS address with Qt's network stack and prints the body, so the
// lab can prove that QSslSocket (system CA loading) trusts the lab CA inside the
// client namespace. Exit status 0 on success, 1 on any error.
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qt-https-get URL\n");
        return 2;
    }
    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(QString::fromUtf8(argv[1]))));
    int status = 1;
    QObject::connect(reply, &QNetworkReply::finished, [&]() {
        if (reply->error() == QNetworkReply::NoError) {
            std::fwrite(reply->readAll().constData(), 1, size_t(reply->size()), stdout);
            status = 0;
        } else {
            std::fprintf(stderr, "error: %s\n", qPrintable(reply->errorString()));
        }
        app.quit();
    });
    QTimer::singleShot(20000, &app, [&]() {
        std::fprintf(stderr, "error: no reply within 20 s\n");
        app.quit();
    });
    app.exec();
    return status;
}

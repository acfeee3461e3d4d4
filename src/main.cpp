#include "application.h"
#include "buildconfig.h"
#include "env.h"
#include "logger.h"
#include "settings.h"
#include "singleinstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QPushButton>

namespace {
int showCriticalErrorBox()
{
    QMessageBox box(
        QMessageBox::Critical, Settings::titleName(),
        QCoreApplication::translate("main", "Critical error, exiting (Click 'Show logs' for details)."));
    box.addButton(QCoreApplication::translate("main", "Close"), QMessageBox::AcceptRole);
    QPushButton *showLogs
        = box.addButton(QCoreApplication::translate("main", "Show logs"), QMessageBox::ActionRole);
    // "Show logs" opens the folder and leaves the box open.
    showLogs->disconnect();
    QObject::connect(showLogs, &QAbstractButton::clicked, []() { Logger::instance()->openLogFolder(); });
    box.exec();
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    qputenv("QML_DISABLE_DISK_CACHE", "1");

    QApplication application(argc, argv);
    SingleInstance instance(Settings::titleName());
    if (instance.isRunning()) {
        instance.sendMessage(QString(), 5000);
        return 0;
    }

    QString error;
    if (!Application::validInstallation(error)) {
        qCritical().noquote() << error;
        QMessageBox box(QMessageBox::Critical, Settings::titleName(), error);
        box.addButton(QCoreApplication::translate("main", "Ok"), QMessageBox::AcceptRole);
        box.exec();
        return 1;
    }

    QApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::setApplicationName(Settings::titleName());
    QCoreApplication::setApplicationVersion(QString::fromUtf8(BuildConfig::version));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption debugOption(QStringList {QStringLiteral("d"), QStringLiteral("debug")},
                                         QCoreApplication::translate("main", "Debug mode."));
    parser.addOption(debugOption);
    parser.process(application);
    Env::setDebugMode(parser.isSet(debugOption));

    Application client(application);
    if (client.initialized()) {
        QObject::connect(&instance, &SingleInstance::messageReceived, &client, &Application::messageReceived);
        return application.exec();
    }
    return showCriticalErrorBox();
}

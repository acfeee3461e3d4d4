#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

// Builds interface folders of a sysfs network class folder for the tests.
inline bool addSysfsInterface(const QString &root, const QString &name, int index, int type,
                              const QByteArray &flags, const QMap<QString, QByteArray> &more = {})
{
    QMap<QString, QByteArray> files = more;
    files["ifindex"] = QByteArray::number(index) + "\n";
    files["type"] = QByteArray::number(type) + "\n";
    files["flags"] = flags + "\n";
    const QDir dir(root);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = dir.filePath(name + "/" + it.key());
        QFile file(path);
        if (!dir.mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly))
            return false;
        file.write(it.value());
    }
    return true;
}

#include "comboboxlistmodel.h"

#include "settings.h"

ComboBoxListModel::ComboBoxListModel(bool tcp, QObject *parent)
    : QAbstractListModel(parent), m_ports(tcp ? Settings::allowedTcpPorts() : Settings::allowedUdpPorts())
{
    setObjectName(QStringLiteral("ComboBoxListModel"));
}

int ComboBoxListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_ports.size();
}

QVariant ComboBoxListModel::data(const QModelIndex &index, int role) const
{
    // Qt's own roles (display, size hint, ...) carry typed values: this model has none.
    if (role < Qt::UserRole)
        return QVariant();
    const QString undefined = QStringLiteral("Undefined");
    if (!index.isValid() || index.row() >= m_ports.size())
        return undefined;
    const quint16 port = m_ports.at(index.row());
    switch (role) {
    case ValueRole:
        return int(port);
    case TextRole:
        return port == 0 ? Settings::nameForAutoPortSelection() : QString::number(port);
    case Id:
        return index.row();
    default:
        return undefined;
    }
}

QHash<int, QByteArray> ComboBoxListModel::roleNames() const
{
    return {{Id, "id"}, {TextRole, "text"}, {ValueRole, "value"}};
}

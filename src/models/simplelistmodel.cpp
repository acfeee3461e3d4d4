#include "simplelistmodel.h"

SimpleListModel::SimpleListModel(QObject *parent) : QAbstractListModel(parent)
{
    setObjectName(QStringLiteral("SimpleListModel"));
    for (int number = 1; number <= 3; ++number)
        m_items.append(QStringLiteral("Item %1").arg(number));
}

int SimpleListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_items.size();
}

QVariant SimpleListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return QVariant();
    switch (role) {
    case ItemDataRole:
        return m_items.at(index.row());
    case IdRole:
    case ItemIdRole:
        return index.row();
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> SimpleListModel::roleNames() const
{
    return {{IdRole, "Id"}, {ItemIdRole, "ItemId"}, {ItemDataRole, "ItemData"}};
}

#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QVector>

// Three fixed sample rows ("Item 1" to "Item 3") on which the theme editor
// previews the list colours.
class SimpleListModel : public QAbstractListModel
{
    Q_OBJECT
    // True while the model has rows: the list views show the list while it holds.
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY isEmptyChanged)

public:
    enum Roles { IdRole = Qt::UserRole, ItemIdRole, ItemDataRole };

    explicit SimpleListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool isEmpty() const { return !m_items.isEmpty(); }

signals:
    void isEmptyChanged(bool empty);

private:
    QVector<QString> m_items;
};

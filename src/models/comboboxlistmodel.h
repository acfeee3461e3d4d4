#pragma once

#include <QAbstractListModel>
#include <QList>

// The network ports offered by a combo box of the settings window, read once
// from the port table of the protocol. Port 0 stands for the automatic choice.
class ComboBoxListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum ProxyRoles { Id = Qt::UserRole + 1, TextRole, ValueRole };
    Q_ENUM(ProxyRoles)

    // The TCP port table when tcp is true, else the UDP one.
    explicit ComboBoxListModel(bool tcp, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    QList<quint16> m_ports;
};

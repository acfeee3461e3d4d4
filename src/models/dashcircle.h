#pragma once

#include <QQuickPaintedItem>
#include <QString>

// The dashed circle drawn behind the connection button (QML type "DashCircle").
class DashCircle : public QQuickPaintedItem
{
    Q_OBJECT
    // Any colour text QColor accepts ("#193151", "white"); an unknown name paints as QColor's invalid colour.
    Q_PROPERTY(QString color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit DashCircle(QQuickItem *parent = nullptr);

    QString color() const { return m_color; }
    void setColor(const QString &color);

    void paint(QPainter *painter) override;

signals:
    void colorChanged(const QString &color);

private:
    QString m_color = QStringLiteral("#193151");
};

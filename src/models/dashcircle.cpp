#include "dashcircle.h"

#include <QPainter>
#include <QPen>

DashCircle::DashCircle(QQuickItem *parent) : QQuickPaintedItem(parent)
{ }

void DashCircle::setColor(const QString &color)
{
    if (m_color == color)
        return;
    m_color = color;
    emit colorChanged(m_color);
    update();
}

void DashCircle::paint(QPainter *painter)
{
    painter->setRenderHint(QPainter::Antialiasing, true);
    QPen pen;
    pen.setColor(QColor(m_color));
    pen.setStyle(Qt::DashLine);
    painter->setPen(pen);
    painter->drawEllipse(QRect(0, 0, int(width() - 1), int(height() - 1)));
}

#include "dashcircle.h"

#include <QPainter>
#include <QtTest>

#include <cmath>

namespace {
QImage render(DashCircle &circle)
{
    QImage image(int(circle.width()), int(circle.height()), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    circle.paint(&painter);
    painter.end();
    return image;
}

// Samples the ring of the circle drawn in a size x size item: for each of
// 720 directions, the most opaque pixel within a pixel and a half of the ring.
QVector<QColor> ringSamples(const QImage &image)
{
    const double radius = (image.width() - 1) / 2.0;
    const QPointF center(radius, radius);
    QVector<QColor> samples;
    for (int step = 0; step < 720; ++step) {
        const double angle = step * M_PI / 360.0;
        QColor best(Qt::transparent);
        for (double r = radius - 1.5; r <= radius + 1.5; r += 0.5) {
            const QPoint p(qRound(center.x() + r * std::cos(angle)),
                           qRound(center.y() + r * std::sin(angle)));
            if (!image.rect().contains(p))
                continue;
            const QColor color = image.pixelColor(p);
            if (color.alpha() > best.alpha())
                best = color;
        }
        samples.append(best);
    }
    return samples;
}
} // namespace

class TestDashCircle : public QObject
{
    Q_OBJECT

private slots:
    void colorProperty()
    {
        DashCircle circle;
        QCOMPARE(circle.color(), QString("#193151"));
        QSignalSpy changed(&circle, &DashCircle::colorChanged);
        circle.setColor("white");
        circle.setColor("white");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toString(), QString("white"));
        QCOMPARE(circle.property("color").toString(), QString("white"));
    }

    void paintsDashedRing_data()
    {
        QTest::addColumn<QString>("color");
        QTest::addColumn<int>("size");
        QTest::newRow("default") << QString() << 101;
        QTest::newRow("hex") << "#dedfe1" << 290;
        QTest::newRow("name") << "red" << 60;
    }
    void paintsDashedRing()
    {
        QFETCH(QString, color);
        QFETCH(int, size);
        DashCircle circle;
        if (!color.isEmpty())
            circle.setColor(color);
        circle.setSize(QSizeF(size, size));
        const QColor expected(circle.color());

        const QImage image = render(circle);
        // Nothing inside the ring, nothing in the corners.
        QCOMPARE(image.pixelColor(size / 2, size / 2).alpha(), 0);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(size - 1, size - 1).alpha(), 0);

        const QVector<QColor> samples = ringSamples(image);
        int painted = 0;
        int gaps = 0;
        int transitions = 0;
        bool previous = samples.last().alpha() > 128;
        for (const QColor &sample : samples) {
            // Drawn, a clear gap, or the soft edge of a dash in between.
            if (sample.alpha() > 128) {
                ++painted;
                QVERIFY2(qAbs(sample.red() - expected.red()) <= 3
                             && qAbs(sample.green() - expected.green()) <= 3
                             && qAbs(sample.blue() - expected.blue()) <= 3,
                         qPrintable(sample.name()));
                if (!previous)
                    ++transitions;
                previous = true;
            } else if (sample.alpha() < 20) {
                ++gaps;
                if (previous)
                    ++transitions;
                previous = false;
            }
        }
        // A dashed ring: drawn and empty stretches all the way round.
        QVERIFY2(painted > samples.size() / 3, qPrintable(QString::number(painted)));
        QVERIFY2(gaps > samples.size() / 10, qPrintable(QString::number(gaps)));
        QVERIFY2(transitions >= 10, qPrintable(QString::number(transitions)));
    }

    void unknownColourPaintsWithoutError()
    {
        DashCircle circle;
        circle.setSize(QSizeF(80, 80));
        circle.setColor("no-such-colour");
        const QImage image = render(circle);

        QImage expected(80, 80, QImage::Format_ARGB32);
        expected.fill(Qt::transparent);
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen pen;
        pen.setColor(QColor("no-such-colour"));
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawEllipse(QRect(0, 0, 79, 79));
        painter.end();
        QCOMPARE(image, expected);
    }
};

QTEST_MAIN(TestDashCircle)
#include "test_dashcircle.moc"

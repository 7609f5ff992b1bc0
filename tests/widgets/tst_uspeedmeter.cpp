#include <QtTest>
#include <QtMath>

#include "widgets/uspeedmeter.h"

namespace {

const QColor Background(255, 255, 255);

// Where a point on the needle's centre line lands, `distance` pixels from the
// pivot, for a widget of width w and height h at the given speed.
QPointF NeedlePoint(int w, int h, double speed, double distance)
{
    const double angle = qDegreesToRadians(speed * 9.0 / 11.0 - 1080.0 / 11.0);
    Q_UNUSED(h);
    return QPointF(w / 2 + distance * qSin(angle), 98.0 - distance * qCos(angle));
}

bool IsNeedle(const QColor &c)
{
    // Teal at alpha 160 over white: red ~95, green and blue ~175.
    return qAbs(c.red() - 95) <= 12 && qAbs(c.green() - 175) <= 12 && qAbs(c.blue() - 175) <= 12;
}

class PaintCounter : public USpeedMeter
{
public:
    using USpeedMeter::USpeedMeter;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++Paints;
        USpeedMeter::paintEvent(event);
    }
};

} // namespace

class TestUSpeedMeter : public QObject
{
    Q_OBJECT
private slots:
    void needleFollowsTheFormula_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("speed");
        for (int width : {300, 195}) {
            for (double speed : {0.0, 120.0, 240.0, 300.0, -20.0})
                QTest::addRow("w%d-%gkmh", width, speed) << width << speed;
        }
    }
    void needleFollowsTheFormula()
    {
        QFETCH(int, width);
        QFETCH(double, speed);
        const int height = 120;

        QWidget parent;
        parent.setStyleSheet(QStringLiteral("#CarSpeedMeter {background-color: white;}"));
        auto *meter = new USpeedMeter(&parent);
        meter->setObjectName(QStringLiteral("CarSpeedMeter"));
        meter->setGeometry(0, 0, width, height);
        parent.resize(width, height);
        parent.show();
        meter->SetCarSpeed(speed);
        QCOMPARE(meter->CarSpeed(), speed);

        const QImage image = meter->grab().toImage();
        QCOMPARE(image.size(), QSize(width, height));
        // Pivot at (w/2 in integers, 98), scale 120/400: the tip is 84 px out.
        const QRect inside = image.rect().adjusted(1, 1, -1, -1);
        for (double distance : {5.0, 20.0, 40.0, 60.0, 80.0}) {
            const QPoint p = NeedlePoint(width, height, speed, distance).toPoint();
            if (!inside.contains(p))
                continue;
            QVERIFY2(IsNeedle(image.pixelColor(p)),
                     qPrintable(QStringLiteral("no needle at %1 px (%2,%3): %4")
                                    .arg(distance).arg(p.x()).arg(p.y())
                                    .arg(image.pixelColor(p).name())));
        }
        // Beyond the blunt tip, and opposite the needle past its short tail,
        // the background shows: it was painted first and only once.
        for (double distance : {90.0, -20.0}) {
            const QPoint p = NeedlePoint(width, height, speed, distance).toPoint();
            if (!inside.contains(p))
                continue;
            QCOMPARE(image.pixelColor(p), Background);
        }
    }

    void pivotIsTakenInIntegerHalves()
    {
        // A 195-wide widget halves to 97: at 120 km/h the needle is the
        // vertical through x 97.
        QWidget parent;
        parent.setStyleSheet(QStringLiteral("#CarSpeedMeter {background-color: white;}"));
        auto *meter = new USpeedMeter(&parent);
        meter->setObjectName(QStringLiteral("CarSpeedMeter"));
        meter->setGeometry(0, 0, 195, 120);
        parent.resize(195, 120);
        parent.show();
        meter->SetCarSpeed(120);
        const QImage image = meter->grab().toImage();
        // The shaft is 10 units (3 px) wide near the tip: x 95.5 to 98.5 at y 20.
        QVERIFY(IsNeedle(image.pixelColor(97, 20)));
        QCOMPARE(image.pixelColor(93, 20), Background);
        QCOMPARE(image.pixelColor(101, 20), Background);
    }

    void everySpeedRepaintsAtOnce()
    {
        PaintCounter meter(nullptr);
        meter.resize(300, 120);
        meter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&meter));
        QCoreApplication::processEvents();
        const int before = meter.Paints;
        meter.SetCarSpeed(50);
        meter.SetCarSpeed(50);
        QCOMPARE(meter.Paints, before + 2);
    }
};

QTEST_MAIN(TestUSpeedMeter)
#include "tst_uspeedmeter.moc"

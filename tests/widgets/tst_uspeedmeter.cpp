#include <QtTest>
#include <QtMath>

#include <functional>

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

// The player's style sheet, with the dial pictures of its resource bundle.
QString PlayerStyleSheet()
{
    QFile file(QStringLiteral(":/qss/Tracora.qss"));
    return file.open(QFile::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

double Brightness(const QColor &c)
{
    return c.red() + c.green() + c.blue();
}

// The angle (needle degrees) within `around` +- 6 degrees where `score`
// is highest along the circle of radius r about the pivot (150, 98).
double PeakAngle(double around, double r, const std::function<double(QPoint)> &score)
{
    double best = around, bestScore = -1;
    for (double a = around - 6; a <= around + 6; a += 0.1) {
        const QPoint p(qRound(150 + r * qSin(qDegreesToRadians(a))), qRound(98 - r * qCos(qDegreesToRadians(a))));
        const double value = score(p);
        if (value > bestScore) {
            bestScore = value;
            best = a;
        }
    }
    return best;
}

// The angle at the centre of `score` along that circle: its weighted mean.
double CentreAngle(double around, double r, const std::function<double(QPoint)> &score)
{
    double sum = 0, weighted = 0;
    for (double a = around - 6; a <= around + 6; a += 0.1) {
        const QPoint p(qRound(150 + r * qSin(qDegreesToRadians(a))), qRound(98 - r * qCos(qDegreesToRadians(a))));
        const double value = score(p);
        sum += value;
        weighted += value * a;
    }
    return sum > 0 ? weighted / sum : around + 90;
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

    // The mph dial: its own picture from the player's style sheet, its marks
    // where the needle points at their speed (the needle turns by km/h).
    void mphDialMarksUnderTheNeedle_data()
    {
        QTest::addColumn<int>("mph");
        for (int mph : {0, 20, 40, 60, 80, 100, 120, 140})
            QTest::addRow("%d mph", mph) << mph;
    }
    void mphDialMarksUnderTheNeedle()
    {
        QFETCH(int, mph);
        QWidget parent;
        parent.setStyleSheet(PlayerStyleSheet());
        QVERIFY(!parent.styleSheet().isEmpty());
        auto *meter = new USpeedMeter(&parent);
        meter->setObjectName(QStringLiteral("CarSpeedMeter"));
        meter->setGeometry(0, 0, 300, 120);
        parent.resize(300, 120);
        parent.show();
        const double kmh = mph * 1.609344;
        const double markAngle = kmh * 9.0 / 11.0 - 1080.0 / 11.0;
        // The needle well away from the mark first.
        meter->SetCarSpeed(kmh > 120 ? kmh - 110 : kmh + 110);
        const QImage kmhDial = meter->grab().toImage();
        meter->SetUnit(QStringLiteral("mph"));
        QCOMPARE(meter->Unit(), QStringLiteral("mph"));
        const QImage dial = meter->grab().toImage();
        QVERIFY(dial != kmhDial);

        // The mark: a bright tick between radii 80 and 89 about the pivot.
        const double tick = PeakAngle(markAngle, 84.5, [&](QPoint p) { return Brightness(dial.pixelColor(p)); });
        QVERIFY2(Brightness(dial.pixelColor(qRound(150 + 84.5 * qSin(qDegreesToRadians(tick))),
                                            qRound(98 - 84.5 * qCos(qDegreesToRadians(tick)))))
                     > 450,
                 qPrintable(QStringLiteral("no mark near %1 degrees").arg(markAngle)));

        // The needle at that speed: the middle of what it changes.
        meter->SetCarSpeed(kmh);
        const QImage withNeedle = meter->grab().toImage();
        const double needle = CentreAngle(markAngle, 60, [&](QPoint p) {
            const QColor a = dial.pixelColor(p), b = withNeedle.pixelColor(p);
            return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
        });
        QVERIFY2(qAbs(needle - tick) < 1.5,
                 qPrintable(QStringLiteral("needle at %1, mark at %2 degrees").arg(needle).arg(tick)));

        // Back to km/h: the km/h dial again.
        meter->SetUnit(QStringLiteral("kmh"));
        meter->SetCarSpeed(kmh > 120 ? kmh - 110 : kmh + 110);
        QCOMPARE(meter->grab().toImage(), kmhDial);
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

#include <QtTest>

#include <cmath>

#include "console/umapscript.h"
#include "console/uspeedunit.h"

class TestUSpeedUnit : public QObject
{
    Q_OBJECT

private slots:
    void valueAndText_data()
    {
        QTest::addColumn<double>("kmh");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("standing") << 0.0 << int(USpeedUnit::Kmh) << 0 << 0.0 << "0 km/h";
        QTest::newRow("standing, mph") << 0.0 << int(USpeedUnit::Mph) << 0 << 0.0 << "0 mph";
        QTest::newRow("a mile an hour") << 1.609344 << int(USpeedUnit::Mph) << 2 << 1.0 << "1.00 mph";
        QTest::newRow("100 km/h") << 100.0 << int(USpeedUnit::Kmh) << 0 << 100.0 << "100 km/h";
        QTest::newRow("100 km/h in mph") << 100.0 << int(USpeedUnit::Mph) << 1 << 62.1371192237334 << "62.1 mph";
        QTest::newRow("rounds half up") << 57.5 << int(USpeedUnit::Kmh) << 0 << 57.5 << "58 km/h";
        QTest::newRow("a fraction") << 18.52 << int(USpeedUnit::Kmh) << 2 << 18.52 << "18.52 km/h";
        QTest::newRow("the dial's end") << 240.0 << int(USpeedUnit::Mph) << 0 << 149.12908869 << "149 mph";
        // A receiver's jitter while standing is no "-0".
        QTest::newRow("just below zero") << -0.2 << int(USpeedUnit::Kmh) << 0 << -0.2 << "0 km/h";
        QTest::newRow("just below zero, mph") << -0.3 << int(USpeedUnit::Mph) << 0 << -0.3 / 1.609344 << "0 mph";
        QTest::newRow("really negative") << -20.0 << int(USpeedUnit::Kmh) << 0 << -20.0 << "-20 km/h";
        QTest::newRow("decimals bounded below") << 12.34 << int(USpeedUnit::Kmh) << -3 << 12.34 << "12 km/h";
        QTest::newRow("decimals bounded above") << 1.0 << int(USpeedUnit::Kmh) << 40 << 1.0 << "1.000000 km/h";
        QTest::newRow("huge") << 1e12 << int(USpeedUnit::Kmh) << 0 << 1e12 << "1000000000000 km/h";
    }
    void valueAndText()
    {
        QFETCH(double, kmh);
        QFETCH(int, unit);
        QFETCH(int, decimals);
        QFETCH(double, value);
        QFETCH(QString, text);
        const auto kind = USpeedUnit::Kind(unit);
        QVERIFY2(qAbs(USpeedUnit::Value(kmh, kind) - value) < 1e-6 * qMax(1.0, qAbs(value)),
                 qPrintable(QString::number(USpeedUnit::Value(kmh, kind), 'g', 17)));
        QCOMPARE(USpeedUnit::Text(kmh, kind, decimals), text);
    }

    void unknownSpeedsStayUnknown_data()
    {
        QTest::addColumn<double>("kmh");
        QTest::newRow("NaN") << qQNaN();
        QTest::newRow("infinite") << qInf();
        QTest::newRow("minus infinite") << -qInf();
    }
    void unknownSpeedsStayUnknown()
    {
        QFETCH(double, kmh);
        for (const USpeedUnit::Kind unit : {USpeedUnit::Kmh, USpeedUnit::Mph}) {
            QVERIFY(!std::isfinite(USpeedUnit::Value(kmh, unit)));
            QCOMPARE(USpeedUnit::Text(kmh, unit), QString());
        }
    }

    // What the settings keep and the page is told goes there and back; any
    // other setting reads as km/h.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("unit");
        QTest::newRow("kmh") << "kmh" << int(USpeedUnit::Kmh);
        QTest::newRow("mph") << "mph" << int(USpeedUnit::Mph);
        QTest::newRow("empty: never chosen") << "" << int(USpeedUnit::Kmh);
        QTest::newRow("upper case") << "MPH" << int(USpeedUnit::Kmh);
        QTest::newRow("a name, not a key") << "km/h" << int(USpeedUnit::Kmh);
        QTest::newRow("garbage") << "knots" << int(USpeedUnit::Kmh);
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(int, unit);
        QCOMPARE(int(USpeedUnit::FromKey(key)), unit);
        const auto kind = USpeedUnit::Kind(unit);
        QCOMPARE(USpeedUnit::FromKey(USpeedUnit::Key(kind)), kind);
        QCOMPARE(USpeedUnit::Name(kind), kind == USpeedUnit::Mph ? QStringLiteral("mph") : QStringLiteral("km/h"));
    }

    // The calls that tell the page: guarded, and the text quoted whatever it
    // holds, so that a template with quotes cannot end the call.
    void pageCalls_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("text");
        QTest::newRow("units") << UMapScript::SetUnitsCall(USpeedUnit::Key(USpeedUnit::Mph))
                               << "typeof setunits === \"function\" && setunits(\"mph\")";
        QTest::newRow("tiles") << UMapScript::SetTilesCall("vialumo-tiles://tile/{z}/{x}/{y}")
                               << "typeof settiles === \"function\" && settiles(\"vialumo-tiles://tile/{z}/{x}/{y}\")";
        QTest::newRow("no tiles") << UMapScript::SetTilesCall(QString())
                                  << "typeof settiles === \"function\" && settiles(\"\")";
        QTest::newRow("quotes and a line break")
            << UMapScript::SetTilesCall("file:///a\"b'c\\d\n/{z}/{x}/{y}.png")
            << "typeof settiles === \"function\" && settiles(\"file:///a\\\"b'c\\\\d\\n/{z}/{x}/{y}.png\")";
        QTest::newRow("closing the call") << UMapScript::SetTilesCall("\"); alert(1); (\"")
                                          << "typeof settiles === \"function\" && settiles(\"\\\"); alert(1); (\\\"\")";
    }
    void pageCalls()
    {
        QFETCH(QString, call);
        QFETCH(QString, text);
        QCOMPARE(call, text);
    }
};

QTEST_APPLESS_MAIN(TestUSpeedUnit)
#include "tst_uspeedunit.moc"

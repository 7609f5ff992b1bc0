// Trips joined and split where the drive rule says: the next recording
// starting 59 s or 61 s, 499 m or 501 m after the last ended; cameras
// apart; recordings without a route on their own.

#include "console/umaproute.h"
#include "console/utrips.h"

#include <QtTest>

namespace {

constexpr double MetresPerDegree = 6371008.8 * 3.14159265358979323846 / 180.0;
const QDateTime Noon(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());

GpsFix Fix(double Latitude, const QDateTime &Utc, double Kmh = 50.0)
{
    GpsFix fix;
    fix.Valid = true;
    fix.Latitude = Latitude;
    fix.Longitude = 8.0;
    fix.Utc = Utc;
    fix.SpeedKmh = Kmh;
    return fix;
}

// A recording of Seconds driving north from Latitude, starting at Start.
std::shared_ptr<const URecordingEvents> Recording(const QString &Camera, const QDateTime &Start, double Latitude,
                                                  int Seconds, double TopKmh = 50.0)
{
    auto recording = std::make_shared<URecordingEvents>();
    recording->VideoPath = Camera + QStringLiteral("/") + Start.toString(Qt::ISODate);
    recording->Camera = Camera;
    recording->Start = Start;
    recording->DurationMs = Seconds * 1000;
    const double step = 10.0 / MetresPerDegree; // 10 m a second
    for (int second = 0; second < Seconds; ++second) {
        const double kmh = second == Seconds / 2 ? TopKmh : 36.0;
        recording->Route.append({second, Latitude + second * step, 8.0, float(kmh)});
    }
    recording->FirstFix = Fix(Latitude, Start);
    recording->LastFix = Fix(Latitude + (Seconds - 1) * step, Start.addSecs(Seconds - 1));
    return recording;
}

double EndLatitude(const URecordingEvents &Recording)
{
    return Recording.LastFix.Latitude;
}

} // namespace

class TestTrips : public QObject
{
    Q_OBJECT

private slots:
    void joinsAndSplits_data()
    {
        QTest::addColumn<int>("gapSeconds");
        QTest::addColumn<double>("gapMetres");
        QTest::addColumn<int>("trips");
        QTest::newRow("59 s, 0 m: one trip") << 59 << 0.0 << 1;
        QTest::newRow("60 s: one trip") << 60 << 0.0 << 1;
        QTest::newRow("61 s: two") << 61 << 0.0 << 2;
        QTest::newRow("1 s, 499 m: one trip") << 1 << 499.0 << 1;
        QTest::newRow("1 s, 501 m: two") << 1 << 501.0 << 2;
        QTest::newRow("59 s, 499 m: one trip") << 59 << 499.0 << 1;
        QTest::newRow("61 s, 501 m: two") << 61 << 501.0 << 2;
    }
    void joinsAndSplits()
    {
        QFETCH(int, gapSeconds);
        QFETCH(double, gapMetres);
        QFETCH(int, trips);
        const auto first = Recording(QStringLiteral("card"), Noon, 47.0, 60);
        // The last fix is at second 59; the next starts gapSeconds later.
        const QDateTime nextStart = Noon.addSecs(59 + gapSeconds);
        const auto second = Recording(QStringLiteral("card"), nextStart, EndLatitude(*first) + gapMetres / MetresPerDegree,
                                      60, 80.0);
        // Handed over in the wrong order: trips go by time.
        const QList<UTrip> found = UTrips::Build({{1, second}, {0, first}});
        QCOMPARE(found.size(), trips);
        QCOMPARE(found.first().Recordings.first(), 0);
        QCOMPARE(found.first().Start, Noon);
        if (trips == 1) {
            QCOMPARE(found.first().Recordings, (QList<int>{0, 1}));
            QCOMPARE(found.first().End, nextStart.addSecs(60));
            QCOMPARE(found.first().DurationMs, Noon.msecsTo(nextStart.addSecs(60)));
            // 59 m along each route and the join between them.
            QVERIFY(std::fabs(found.first().DistanceMetres - (590.0 + 590.0 + gapMetres)) < 1.0);
            QCOMPARE(found.first().TopSpeedKmh, 80.0);
        } else {
            QCOMPARE(found[1].Recordings, QList<int>{1});
            QCOMPARE(found.first().TopSpeedKmh, 50.0);
        }
    }

    void theMapsRuleItself()
    {
        // The same rule as the map's: a trip joins exactly what the map
        // draws as one drive.
        const auto a = Recording(QStringLiteral("card"), Noon, 47.0, 30);
        const auto b = Recording(QStringLiteral("card"), Noon.addSecs(40), EndLatitude(*a) + 0.001, 30);
        GpsTrack from;
        from.Append(a->LastFix);
        GpsTrack to;
        to.Append(b->FirstFix);
        QCOMPARE(UTrips::Build({{0, a}, {1, b}}).size() == 1, UMapRoute::ContinuesDrive(from, to));
    }

    void camerasAndLoners()
    {
        const auto front1 = Recording(QStringLiteral("card#F"), Noon, 47.0, 60);
        const auto rear1 = Recording(QStringLiteral("card#R"), Noon, 47.0, 60);
        const auto front2 = Recording(QStringLiteral("card#F"), Noon.addSecs(60), EndLatitude(*front1), 60);
        const auto rear2 = Recording(QStringLiteral("card#R"), Noon.addSecs(60), EndLatitude(*rear1), 60);
        auto noRoute = std::make_shared<URecordingEvents>();
        noRoute->Camera = QStringLiteral("card#F");
        noRoute->Start = Noon.addSecs(121);
        noRoute->DurationMs = 60'000;
        auto noTime = std::make_shared<URecordingEvents>();
        noTime->Camera = QStringLiteral("card#F");
        const QList<UTrip> trips = UTrips::Build(
            {{0, front1}, {1, rear1}, {2, front2}, {3, rear2}, {4, noRoute}, {5, noTime}, {6, nullptr}});
        QCOMPARE(trips.size(), 4);
        QCOMPARE(trips[0].Recordings, (QList<int>{0, 2}));
        QCOMPARE(trips[1].Recordings, (QList<int>{1, 3}));
        QCOMPARE(trips[2].Recordings, QList<int>{4});
        QCOMPARE(trips[2].DistanceMetres, 0.0);
        QCOMPARE(trips[3].Recordings, QList<int>{5});
        QVERIFY(!trips[3].Start.isValid());
        QCOMPARE(trips[3].DurationMs, 0);
        QVERIFY(UTrips::Build({}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTrips)
#include "tst_utrips.moc"

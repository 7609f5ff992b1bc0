// The events of every recording as the Events view, E / Shift+E and the
// command line see them: order, stepping across recordings, texts, and the
// map page's calls.

#include "console/ueventrows.h"
#include "console/ueventscript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

const QDateTime Noon(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());

std::shared_ptr<const URecordingEvents> Recording(int Minute, const UEventList &Events, QList<float> Speeds = {})
{
    auto recording = std::make_shared<URecordingEvents>();
    recording->VideoPath = QStringLiteral("/card/CLIP%1.MOV").arg(Minute);
    recording->Start = Noon.addSecs(Minute * 60);
    recording->Events = Events;
    recording->SpeedsKmh = Speeds;
    return recording;
}

UEvent Event(qint64 Ms, UEventKind Kind, double Strength = 0.5)
{
    return {Ms, Kind, Strength, QString()};
}

// Three recordings: events at 10 s and 40 s of the first, none in the
// second, one at 2 s of the third; the fourth still being worked out.
QList<UTripInput> Card()
{
    return {
        {0, Recording(0, {Event(10'000, UEventKind::Braking, 0.62), Event(40'000, UEventKind::Bump, 1.8)})},
        {1, Recording(1, {})},
        {2, Recording(2, {Event(2'000, UEventKind::Recorder, 0.0)})},
        {3, nullptr},
    };
}

} // namespace

class TestEventRows : public QObject
{
    Q_OBJECT

private slots:
    void stepAcrossRecordings_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<qint64>("at");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("recording");
        QTest::addColumn<qint64>("time");
        QTest::newRow("nothing plays: the first") << -1 << qint64(0) << true << 0 << qint64(5'000);
        QTest::newRow("nothing plays, back: the last") << -1 << qint64(0) << false << 2 << qint64(0);
        QTest::newRow("start of the first") << 0 << qint64(0) << true << 0 << qint64(5'000);
        QTest::newRow("just jumped to the first") << 0 << qint64(5'100) << true << 0 << qint64(35'000);
        QTest::newRow("after the last of a recording: the next one's") << 0 << qint64(50'000) << true << 2
                                                                        << qint64(0);
        QTest::newRow("from a recording without events") << 1 << qint64(3'000) << true << 2 << qint64(0);
        QTest::newRow("past the last event: none") << 2 << qint64(1'000) << true << -1 << qint64(0);
        QTest::newRow("back from the third") << 2 << qint64(30'000) << false << 2 << qint64(0);
        QTest::newRow("back right after a jump: the one before") << 2 << qint64(500) << false << 0
                                                                 << qint64(35'000);
        QTest::newRow("back from the second") << 1 << qint64(0) << false << 0 << qint64(35'000);
        QTest::newRow("back before the first: none") << 0 << qint64(6'000) << false << -1 << qint64(0);
        QTest::newRow("a recording out of the list") << 7 << qint64(0) << false << 2 << qint64(0);
    }
    void stepAcrossRecordings()
    {
        QFETCH(int, current);
        QFETCH(qint64, at);
        QFETCH(bool, forward);
        QFETCH(int, recording);
        QFETCH(qint64, time);
        const QList<UEventRow> rows = UEventRows::Rows(Card(), 0.0);
        const std::optional<UEventJump> jump = UEventRows::Step(rows, current, at, forward);
        QCOMPARE(jump.has_value(), recording >= 0);
        if (jump) {
            QCOMPARE(jump->Recording, recording);
            QCOMPARE(jump->TimeMs, time);
        }
    }

    void rowsAndOrder()
    {
        QList<UTripInput> card = Card();
        card.append({4, Recording(3, {Event(1'000, UEventKind::Acceleration, 0.45)}, {80, 130, 90})});
        QList<UEventRow> rows = UEventRows::Rows(card, 100.0);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[4].Event.Kind, UEventKind::Speeding);
        QCOMPARE(rows[4].Event.TimeMs, 1'000);
        QCOMPARE(rows[4].When, Noon.addSecs(181));
        UEventRows::Sort(rows, UEventRows::Order::Strength);
        QList<UEventKind> kinds;
        for (const UEventRow &row : rows)
            kinds << row.Event.Kind;
        QCOMPARE(kinds, (QList<UEventKind>{UEventKind::Bump, UEventKind::Braking, UEventKind::Acceleration,
                                           UEventKind::Speeding, UEventKind::Recorder}));
        UEventRows::Sort(rows, UEventRows::Order::Time);
        for (qsizetype i = 1; i < rows.size(); ++i)
            QVERIFY(rows[i - 1].When <= rows[i].When);
        QCOMPARE(UEventRows::Rows(card, 0.0).size(), 4);
    }

    void texts_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("time");
        QTest::newRow("zero") << qint64(0) << "00:00:00.0";
        QTest::newRow("tenths") << qint64(65'349) << "00:01:05.3";
        QTest::newRow("hours") << qint64(3'723'990) << "01:02:03.9";
        QTest::newRow("negative") << qint64(-5) << "00:00:00.0";
    }
    void texts()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, time);
        QCOMPARE(UEventRows::TimeText(ms), time);
        QCOMPARE(UEventRows::StrengthNumber(Event(0, UEventKind::Braking, 0.456)), QStringLiteral("0.46"));
        QCOMPARE(UEventRows::StrengthNumber(Event(0, UEventKind::Speeding, 131.4)), QStringLiteral("131"));
        QCOMPARE(UEventRows::StrengthText(Event(0, UEventKind::Speeding, 131.4)), QStringLiteral("131 km/h"));
        QCOMPARE(UEventScript::HoverText(Event(65'349, UEventKind::Bump, 1.734)),
                 QStringLiteral("Bump 1.73 g at 00:01:05.3"));
    }

    void mapCalls()
    {
        const QString events = UEventScript::ShowEventsCall(
            {Event(1500, UEventKind::Braking, 0.61), {2000, UEventKind::Recorder, 0.0, QStringLiteral("a \"quoted\" \\ reason")}});
        QVERIFY(events.startsWith(QStringLiteral("typeof showevents === \"function\" && showevents(")));
        const QString argument = events.mid(events.indexOf(u'(') + 1).chopped(1);
        const QJsonArray parsed = QJsonDocument::fromJson(argument.toUtf8()).array();
        QCOMPARE(parsed.size(), 2);
        QCOMPARE(parsed[0].toArray()[1].toString(), QStringLiteral("braking"));
        QCOMPARE(parsed[0].toArray()[2].toDouble(), 0.61);
        QCOMPARE(parsed[1].toArray()[3].toString(), QStringLiteral("Recorder: a \"quoted\" \\ reason at 00:00:02.0"));

        QVERIFY(UEventScript::ShowAccelCall({}).endsWith(QStringLiteral("showaccel([])")));
        auto recording = std::make_shared<URecordingEvents>();
        recording->Route = {{0, 47.5, 8.25, 50.0f}, {1, 47.5001, 8.25, 51.0f}};
        const QString trip = UEventScript::ShowTripCall({{4, recording}, {5, nullptr}});
        QVERIFY(trip.endsWith(QStringLiteral("showtrip([[4,[[0,47.5,8.25,50],[1,47.5001,8.25,51]]]])")));
    }
};

QTEST_GUILESS_MAIN(TestEventRows)
#include "tst_ueventrows.moc"

#include <QtTest>

#include "console/umapbridge.h"
#include "console/udisplaytick.h"
#include "console/ulistpaging.h"
#include "gpslog/gpslogdata.h"
#include "playback/enginestate.h"

namespace {

// Log lines: two fixes in the north-east, two in the south-west, lines
// without a fix (with and without hemisphere letters).
const char *const NorthEastA = "A,d,t,2232.1234,N,11356.5678,E,10.0;"; // 22.53539 N 113.94280 E 18.52 km/h
const char *const NorthEastB = "A,d,t,2233.0000,N,11357.0000,E,20.0;"; // 22.55000 N 113.95000 E 37.04 km/h
const char *const SouthWestA = "A,d,t,2232.1234,S,11356.5678,W,10.0;";
const char *const SouthWestB = "A,d,t,2233.0000,S,11357.0000,W,20.0;";
const char *const NoFix = "V,d,t,,,,,;";
const char *const NoFixSouthWest = "V,d,t,2232.1234,S,11356.5678,W,0;";

QString Clock(qint64 ms, bool playing)
{
    return QStringLiteral("call typeof setclock === \"function\" && setclock(%1,%2)")
        .arg(ms)
        .arg(playing ? "true" : "false");
}

QString Render(const UDisplayStep &step)
{
    switch (step.What) {
    case UDisplayStep::SetSlider:
        return QStringLiteral("slider %1").arg(step.Slider);
    case UDisplayStep::SetTimeLabel:
        return "label " + step.Text;
    case UDisplayStep::SetPositionText:
        return "position [" + step.Text + "]";
    case UDisplayStep::SetSpeed:
        return "speed " + QString::number(step.Speed);
    case UDisplayStep::RunMapCall:
        return "call " + step.Text;
    case UDisplayStep::SwitchPlayFace:
        return "face";
    case UDisplayStep::PlayNext:
        return "next";
    }
    return "?";
}

QStringList Render(const QList<UDisplayStep> &steps)
{
    QStringList lines;
    for (const UDisplayStep &step : steps)
        lines << Render(step);
    return lines;
}

// The position label: 7 spaces, longitude, 14 spaces, latitude; the letters
// alone with 23 spaces between them for a line without a fix.
QString Position(const QString &eastWest, const QString &longitude, const QString &northSouth,
                 const QString &latitude)
{
    return "position [" + QString(7, ' ') + eastWest + ":" + longitude + QString(14, ' ') + northSouth + ":"
        + latitude + "]";
}

QString Letters(const QString &eastWest, const QString &northSouth)
{
    return "position [" + QString(7, ' ') + eastWest + ":" + QString(23, ' ') + northSouth + ":]";
}

} // namespace

class TestUDisplayTick : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    // A track read by the program's own GPS log reader; an empty list reads no file.
    void Read(GpsLogData &track, const QStringList &lines)
    {
        track.ClearGpsData();
        if (lines.isEmpty())
            return;
        const QString path = Dir.filePath("gps.log");
        QFile file(path);
        QVERIFY(file.open(QFile::WriteOnly | QFile::Truncate));
        file.write(lines.join('\n').toUtf8() + '\n');
        file.close();
        track.ReadGpsfile(path);
        QCOMPARE(track.GetGpsDataCount(), lines.size());
    }

private slots:
    void playTimeLabel_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("59.9 s") << qint64(59900) << "00:00:59";
        QTest::newRow("187 s") << qint64(187000) << "00:03:07";
        QTest::newRow("4365 s") << qint64(4365000) << "01:12:45";
        QTest::newRow("3600 s") << qint64(3600000) << "01:00:00";
        QTest::newRow("10 h 5 min") << qint64(36300000) << "10:05:00";
        QTest::newRow("99:59:59") << qint64(359999000) << "99:59:59";
        QTest::newRow("100 h") << qint64(360000000) << "100:00:00";
        QTest::newRow("123 h 4 min 5 s") << qint64(443045000) << "123:04:05";
        QTest::newRow("123 h 24 min 5 s") << qint64(444245000) << "123:24:05";
        QTest::newRow("engine knows no time") << qint64(-1) << "00:00:00";
    }
    void playTimeLabel()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(UDisplayTick::FormatPlayTime(ms), text);
    }

    void tick_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<qint64>("time");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<int>("face"); // 1 Play, 0 Pause
        QTest::addColumn<QStringList>("steps");

        const QStringList northEast = {NorthEastA, NorthEastB, NorthEastB};
        const QString label = "label 00:00:01/00:00:03";

        QTest::newRow("stopped, Pause face") << int(UEngineState::StateStopped) << qint64(-1) << qint64(-1)
                                             << northEast << 1 << 0
                                             << QStringList{"label 00:00:00/00:00:00", "slider 0", "face"};
        QTest::newRow("stopped, Play face") << int(UEngineState::StateStopped) << qint64(1200) << qint64(3000)
                                            << northEast << 1 << 1
                                            << QStringList{"label 00:00:00/00:00:00", "slider 0"};
        QTest::newRow("ended, Pause face") << int(UEngineState::StateEnded) << qint64(3000) << qint64(3000)
                                           << northEast << 1 << 0 << QStringList{"slider 1000", "face", "next"};
        QTest::newRow("ended again") << int(UEngineState::StateEnded) << qint64(3000) << qint64(3000) << northEast
                                     << 2 << 1 << QStringList{"slider 1000", "next"};
        for (int state : {UEngineState::StateIdle, UEngineState::StateOpening, UEngineState::StateBuffering,
                          UEngineState::StateError}) {
            QTest::addRow("state %d changes nothing", state)
                << state << qint64(1500) << qint64(3000) << northEast << 1 << 0 << QStringList();
        }

        QTest::newRow("playing north east")
            << int(UEngineState::StatePlaying) << qint64(1500) << qint64(3000) << northEast << 1 << 1
            << QStringList{"slider 500", label, Position("E", "113.95000", "N", "22.55000"), "speed 37.04",
                           "call setstart(22.53539,113.94280)", "call setposition(22.55000,113.95000)", "face",
                           Clock(1500, true)};
        QTest::newRow("playing south west, Pause face")
            << int(UEngineState::StatePlaying) << qint64(1999) << qint64(3000)
            << QStringList{SouthWestA, SouthWestB} << 1 << 0
            << QStringList{"slider 666", label, Position("W", "113.95000", "S", "22.55000"), "speed 37.04",
                           "call setstart(-22.53539,-113.94280)", "call setposition(-22.55000,-113.95000)",
                           Clock(1999, true)};
        QTest::newRow("second without a fix")
            << int(UEngineState::StatePlaying) << qint64(900) << qint64(3000)
            << QStringList{NoFix, NoFixSouthWest, NorthEastA} << 1 << 0
            << QStringList{"slider 300", "label 00:00:00/00:00:03", Letters("E", "N"), "speed 0",
                           "call setstart(22.53539,113.94280)", Clock(900, true)};
        QTest::newRow("second without a fix, letters of the line")
            << int(UEngineState::StatePlaying) << qint64(1000) << qint64(3000)
            << QStringList{NoFix, NoFixSouthWest, NorthEastA} << 1 << 0
            << QStringList{"slider 333", label, Letters("W", "S"), "speed 0", "call setstart(22.53539,113.94280)",
                           Clock(1000, true)};
        QTest::newRow("past the last line: the last record")
            << int(UEngineState::StatePlaying) << qint64(7000) << qint64(8000) << QStringList{NorthEastA, NorthEastB}
            << 1 << 0
            << QStringList{"slider 875", "label 00:00:07/00:00:08", Position("E", "113.95000", "N", "22.55000"),
                           "speed 37.04", "call setstart(22.53539,113.94280)", "call setposition(22.55000,113.95000)",
                           Clock(7000, true)};
        QTest::newRow("empty track: no position call")
            << int(UEngineState::StatePlaying) << qint64(1500) << qint64(3000) << QStringList() << 1 << 0
            << QStringList{"slider 500", label, Letters("E", "N"), "speed 0", Clock(1500, true)};
        QTest::newRow("track without any fix: no position call")
            << int(UEngineState::StatePlaying) << qint64(1500) << qint64(3000) << QStringList{NoFix, NoFix} << 1 << 0
            << QStringList{"slider 500", label, Letters("E", "N"), "speed 0", Clock(1500, true)};
        QTest::newRow("length 0")
            << int(UEngineState::StatePlaying) << qint64(1500) << qint64(0) << northEast << 3 << 0
            << QStringList{"slider 0", "label 00:00:01/00:00:00"};
        QTest::newRow("length unknown")
            << int(UEngineState::StatePlaying) << qint64(0) << qint64(-1) << northEast << 3 << 0
            << QStringList{"slider 0", "label 00:00:00/00:00:00"};
        // The engine's time unknown: the map's clock is not set back to the start.
        QTest::newRow("time unknown: second 0")
            << int(UEngineState::StatePlaying) << qint64(-1) << qint64(3000) << northEast << 1 << 0
            << QStringList{"slider 0", "label 00:00:00/00:00:03", Position("E", "113.94280", "N", "22.53539"),
                           "speed 18.52", "call setstart(22.53539,113.94280)", "call setposition(22.53539,113.94280)"};
        QTest::newRow("time past the length")
            << int(UEngineState::StatePlaying) << qint64(3500) << qint64(3000) << northEast << 2 << 0
            << QStringList{"slider 1000", "label 00:00:03/00:00:03"};
        QTest::newRow("past 99 hours")
            << int(UEngineState::StatePlaying) << qint64(360000000) << qint64(444245000) << northEast << 3 << 0
            << QStringList{"slider 810", "label 100:00:00/123:24:05"};
        for (int playStatus : {0, 2, 3}) {
            QTest::addRow("playing with PlayStatus %d: no position", playStatus)
                << int(UEngineState::StatePlaying) << qint64(1500) << qint64(3000) << northEast << playStatus << 1
                << QStringList{"slider 500", label, "face"};
        }
        // The no-connection page is an offline map: the needle, the position
        // and the page follow the track exactly as on the online map.
        QTest::newRow("playing on the offline map")
            << int(UEngineState::StatePlaying) << qint64(1500) << qint64(3000) << northEast << 4 << 1
            << QStringList{"slider 500", label, Position("E", "113.95000", "N", "22.55000"), "speed 37.04",
                           "call setstart(22.53539,113.94280)", "call setposition(22.55000,113.95000)", "face",
                           Clock(1500, true)};
        QTest::newRow("offline map, second without a fix")
            << int(UEngineState::StatePlaying) << qint64(1000) << qint64(3000)
            << QStringList{NoFix, NoFixSouthWest, NorthEastA} << 4 << 0
            << QStringList{"slider 333", label, Letters("W", "S"), "speed 0", "call setstart(22.53539,113.94280)",
                           Clock(1000, true)};

        // Paused: every display stays as it is, the map's car stops where the engine stands.
        QTest::newRow("paused on the online map")
            << int(UEngineState::StatePaused) << qint64(1500) << qint64(3000) << northEast << 1 << 1
            << QStringList{Clock(1500, false)};
        QTest::newRow("paused, Pause face")
            << int(UEngineState::StatePaused) << qint64(2750) << qint64(3000) << northEast << 1 << 0
            << QStringList{Clock(2750, false)};
        QTest::newRow("paused, time unknown")
            << int(UEngineState::StatePaused) << qint64(-1) << qint64(3000) << northEast << 1 << 0 << QStringList();
        QTest::newRow("paused on the offline map")
            << int(UEngineState::StatePaused) << qint64(2750) << qint64(3000) << northEast << 4 << 0
            << QStringList{Clock(2750, false)};
        for (int playStatus : {0, 2, 3}) {
            QTest::addRow("paused with PlayStatus %d changes nothing", playStatus)
                << int(UEngineState::StatePaused) << qint64(1500) << qint64(3000) << northEast << playStatus << 1
                << QStringList();
        }
    }
    void tick()
    {
        QFETCH(int, state);
        QFETCH(qint64, time);
        QFETCH(qint64, length);
        QFETCH(QStringList, log);
        QFETCH(int, playStatus);
        QFETCH(int, face);
        QFETCH(QStringList, steps);
        GpsLogData track;
        Read(track, log);

        UDisplayReading reading;
        reading.EngineState = state;
        reading.Time = time;
        reading.Length = length;
        reading.GpsLog = &track;
        reading.PlayStatus = playStatus;
        reading.PlayButtonState = face;
        // As the window hands it in once a map page's track was read.
        reading.TrackLoaded = true;
        QCOMPARE(Render(UDisplayTick::Steps(reading)), steps);
    }

    // Which pages follow the track: the online map whenever it shows a
    // recording; the no-connection page only once the track was read for
    // it (a recording chosen before that would show the track left over
    // from the one before); the information pages never.
    void whichPagesFollowTheTrack_data()
    {
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<bool>("trackLoaded");
        QTest::addColumn<bool>("follows");
        QTest::newRow("start page") << int(UMapBridge::StartPage) << true << false;
        QTest::newRow("online map") << int(UMapBridge::OnlineMap) << true << true;
        QTest::newRow("online map, flag not set") << int(UMapBridge::OnlineMap) << false << true;
        QTest::newRow("no GPS file") << int(UMapBridge::NoGpsFile) << true << false;
        QTest::newRow("no GPS information") << int(UMapBridge::NoGpsInfo) << true << false;
        QTest::newRow("offline map, track read") << int(UMapBridge::NoConnection) << true << true;
        QTest::newRow("offline map before its track") << int(UMapBridge::NoConnection) << false << false;
        QTest::newRow("unknown page") << 9 << true << false;
    }
    void whichPagesFollowTheTrack()
    {
        QFETCH(int, playStatus);
        QFETCH(bool, trackLoaded);
        QFETCH(bool, follows);
        GpsLogData track;
        Read(track, {NorthEastA, NorthEastB});
        UDisplayReading reading;
        reading.EngineState = UEngineState::StatePlaying;
        reading.Time = 1200;
        reading.Length = 2000;
        reading.GpsLog = &track;
        reading.PlayStatus = playStatus;
        reading.PlayButtonState = 0;
        reading.TrackLoaded = trackLoaded;
        QCOMPARE(UDisplayTick::FollowsTrack(reading), follows);
        const QStringList steps = Render(UDisplayTick::Steps(reading));
        const QStringList followed{"slider 600", "label 00:00:01/00:00:02", Position("E", "113.95000", "N", "22.55000"),
                                   "speed 37.04", "call setstart(22.53539,113.94280)",
                                   "call setposition(22.55000,113.95000)", Clock(1200, true)};
        QCOMPARE(steps, follows ? followed : QStringList({"slider 600", "label 00:00:01/00:00:02"}));
        reading.EngineState = UEngineState::StatePaused;
        QCOMPARE(Render(UDisplayTick::Steps(reading)), follows ? QStringList{Clock(1200, false)} : QStringList());
        // Without a track nothing is followed, whatever the page.
        reading.GpsLog = nullptr;
        QVERIFY(!UDisplayTick::FollowsTrack(reading));
    }

    // The tick asks for the next recording on every ended tick; the list
    // decides whether there is one.
    void endedRecordingLeadsToTheNextIfAny_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("next");
        QTest::newRow("not the last") << 0 << 2 << 1;
        QTest::newRow("the last") << 1 << 2 << -1;
    }
    void endedRecordingLeadsToTheNextIfAny()
    {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(int, next);
        UDisplayReading reading;
        reading.EngineState = UEngineState::StateEnded;
        reading.PlayButtonState = 1;
        QCOMPARE(Render(UDisplayTick::Steps(reading)), QStringList({"slider 1000", "next"}));
        const auto step = UListPaging::NextRecording(index, count);
        QCOMPARE(step ? step->Index : -1, next);
    }

    // A shift of +n s shows the car where the track was n seconds before the
    // play time; beyond either end of the track, its first or last record.
    void gpsShiftMovesTheCarAgainstTheVideo_data()
    {
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("second");
        QTest::newRow("none") << 0 << 2;
        QTest::newRow("+1 s") << 1 << 1;
        QTest::newRow("+2 s") << 2 << 0;
        QTest::newRow("before the track") << 5 << 0;
        QTest::newRow("-1 s") << -1 << 3;
        QTest::newRow("past the track") << -10 << 3;
    }
    void gpsShiftMovesTheCarAgainstTheVideo()
    {
        QFETCH(int, shift);
        QFETCH(int, second);
        GpsLogData track;
        Read(track, {NorthEastA, NorthEastB, SouthWestA, SouthWestB});
        UDisplayReading reading;
        reading.EngineState = UEngineState::StatePlaying;
        reading.Time = 2500;
        reading.Length = 4000;
        reading.GpsLog = &track;
        reading.PlayStatus = UMapBridge::OnlineMap;
        reading.PlayButtonState = 0;
        reading.GpsShiftSeconds = shift;
        const QList<UDisplayStep> steps = UDisplayTick::Steps(reading);
        const auto position = std::find_if(steps.begin(), steps.end(), [](const UDisplayStep &step) {
            return step.What == UDisplayStep::SetPositionText;
        });
        QVERIFY(position != steps.end());
        QCOMPARE(position->Text, UDisplayTick::PositionText(track.GetGpsDataAt(second)));
        const auto speed = std::find_if(steps.begin(), steps.end(),
                                        [](const UDisplayStep &step) { return step.What == UDisplayStep::SetSpeed; });
        QVERIFY(speed != steps.end());
        QCOMPARE(speed->Speed, track.GetGpsDataAt(second).Velocity);
    }

    void withoutATrackNothingIsRead()
    {
        UDisplayReading reading;
        reading.EngineState = UEngineState::StatePlaying;
        reading.Time = 1000;
        reading.Length = 2000;
        reading.PlayStatus = UMapBridge::OnlineMap;
        reading.PlayButtonState = 0;
        QCOMPARE(Render(UDisplayTick::Steps(reading)), QStringList({"slider 500", "label 00:00:01/00:00:02"}));
        reading.EngineState = UEngineState::StatePaused;
        QCOMPARE(Render(UDisplayTick::Steps(reading)), QStringList());
    }

    void soughtSteps_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("middle") << qint64(7000) << qint64(60000) << QStringList{"slider 116", "label 00:00:07/00:01:00"};
        QTest::newRow("end") << qint64(60000) << qint64(60000) << QStringList{"slider 1000", "label 00:01:00/00:01:00"};
        QTest::newRow("length unknown") << qint64(7000) << qint64(-1)
                                        << QStringList{"slider 0", "label 00:00:07/00:00:00"};
    }
    void soughtSteps()
    {
        QFETCH(qint64, time);
        QFETCH(qint64, length);
        QFETCH(QStringList, steps);
        QCOMPARE(Render(UDisplayTick::SoughtSteps(time, length)), steps);
    }
};

QTEST_APPLESS_MAIN(TestUDisplayTick)
#include "tst_udisplaytick.moc"

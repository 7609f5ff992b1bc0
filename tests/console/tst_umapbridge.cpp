#include <QtTest>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/umapbridge.h"
#include "console/umapscript.h"
#include "gpslog/gpslogdata.h"

namespace {

// A step as the window applies it, one effect after the other.
QString Describe(const UMapStep &step)
{
    QStringList effects;
    if (step.FallbackTimer == UTimerAction::Stop)
        effects << "fallback stop";
    if (step.ReadTrack)
        effects << QStringLiteral("read track %1").arg(step.TrackIndex);
    if (step.Play)
        effects << "play";
    if (step.TickTimer == UTimerAction::Start)
        effects << "tick start";
    else if (step.TickTimer == UTimerAction::Stop)
        effects << "tick stop";
    if (step.PlayStatus)
        effects << QStringLiteral("status %1").arg(*step.PlayStatus);
    if (step.TrackLoaded)
        effects << QStringLiteral("track loaded %1").arg(*step.TrackLoaded ? "yes" : "no");
    if (step.EndRenderer)
        effects << "end renderer";
    if (!step.Page.isEmpty())
        effects << "page " + step.Page;
    if (step.AnnounceOnlineMap)
        effects << "announce";
    if (step.FallbackTimer == UTimerAction::Start)
        effects << "fallback start";
    if (step.AskOnline)
        effects << "ask online";
    return effects.join("; ");
}

// What the window keeps of the bridge's steps, and the play list's index.
struct Window
{
    UMapBridge Bridge;
    qint32 PlayStatus = UMapBridge::StartPage;
    bool TrackLoaded = false;
    int Index = -1;
    int Count = 3;
    QStringList Words = {"Available", "Not Exist", "Available"};

    QString Apply(const UMapStep &step)
    {
        if (step.PlayStatus)
            PlayStatus = *step.PlayStatus;
        if (step.TrackLoaded)
            TrackLoaded = *step.TrackLoaded;
        return Describe(step);
    }
    QString Choose(int index)
    {
        const auto step = Bridge.Choose(index, Count, Words.value(index));
        if (!step)
            return "ignored";
        Index = index;
        return Apply(*step);
    }
    UMapStep Report(bool ok = true) { return UMapBridge::LoadReported(ok, PlayStatus, TrackLoaded, Index, Count); }
    // The question the window puts when a step asks whether the map is online.
    UMapQuestion Ask(const UMapStep &step) { return step.AskOnline ? Bridge.Ask(Index) : UMapQuestion(); }
    QString Answer(const UMapQuestion &question, bool online)
    {
        return Apply(Bridge.OnlineAnswered(question, online, PlayStatus, TrackLoaded, Index, Count));
    }
};

GpsRecord Point(const QString &latitude, const QString &northSouth, const QString &longitude,
                const QString &eastWest)
{
    GpsRecord record;
    record.DataAvailable = true;
    record.Latitude = latitude;
    record.SouthOrNorth = northSouth;
    record.Longitude = longitude;
    record.EastOrWest = eastWest;
    return record;
}

} // namespace

class TestUMapBridge : public QObject
{
    Q_OBJECT

private slots:
    void pageOfEachPlayStatus_data()
    {
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<QString>("page");
        QTest::newRow("start page") << 0 << "startupp.html";
        QTest::newRow("online map") << 1 << "googlearth.html";
        QTest::newRow("no GPS file") << 2 << "no_gps_file.html";
        QTest::newRow("no GPS information") << 3 << "no_gps_info.html";
        QTest::newRow("no connection") << 4 << "no_connection.html";
        QTest::newRow("unknown") << 5 << "";
        QTest::newRow("negative") << -1 << "";
    }
    void pageOfEachPlayStatus()
    {
        QFETCH(int, playStatus);
        QFETCH(QString, page);
        QCOMPARE(UMapBridge::PageOf(playStatus), page);
    }

    void choiceAsksForThePageOfItsRating_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("effects");
        QTest::newRow("Available") << QString(GpsfileAvailableWord)
                                   << "status 1; track loaded no; page googlearth.html; announce; fallback start";
        QTest::newRow("Not Exist") << QString(GpsfileNotExistWord) << "fallback stop; status 2; page no_gps_file.html";
        QTest::newRow("Unavailable") << QString(GpsfileUnavailableWord)
                                     << "fallback stop; status 3; page no_gps_info.html";
        QTest::newRow("any other word") << "available" << "fallback stop; status 3; page no_gps_info.html";
    }
    void choiceAsksForThePageOfItsRating()
    {
        QFETCH(QString, word);
        QFETCH(QString, effects);
        UMapBridge bridge;
        const auto step = bridge.Choose(0, 1, word);
        QVERIFY(step);
        QCOMPARE(Describe(*step), effects);
        QCOMPARE(UMapBridge::FallbackIntervalMs, 7000);
    }

    void choiceOutsideTheCatalogueChangesNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << -1 << 1;
        QTest::newRow("just past the end") << 1 << 1;
        QTest::newRow("far past the end") << 100 << 1;
        QTest::newRow("empty catalogue") << 0 << 0;
    }
    void choiceOutsideTheCatalogueChangesNothing()
    {
        QFETCH(int, index);
        QFETCH(int, count);
        Window w;
        w.Count = 1;
        w.Choose(0);
        const UMapQuestion question = w.Ask(w.Report());
        QVERIFY(!w.Bridge.Choose(index, count, QString(GpsfileNotExistWord)));
        // An ignored choice leaves the question of the current one standing.
        QVERIFY(w.Bridge.IsCurrent(question));
        QCOMPARE(w.Answer(question, true), "fallback stop; read track 0; play; tick start; track loaded yes");
    }

    void loadReport_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<bool>("trackLoaded");
        QTest::addColumn<int>("index"); // the play list's current index, of 2 recordings
        QTest::addColumn<QString>("effects");
        QTest::newRow("failed: the fallback timer runs on") << false << 1 << false << 0 << "";
        QTest::newRow("failed information page") << false << 2 << false << 0 << "";
        QTest::newRow("failed no-connection page: nothing read") << false << 4 << false << 0 << "";
        QTest::newRow("start page starts nothing") << true << 0 << false << -1 << "fallback stop";
        // The fallback runs on until the page has answered.
        QTest::newRow("online map asks whether it is online") << true << 1 << false << 0 << "ask online";
        QTest::newRow("online map again, track read") << true << 1 << true << 0 << "fallback stop";
        QTest::newRow("no GPS file plays") << true << 2 << false << 0 << "fallback stop; play; tick start";
        QTest::newRow("no GPS information plays") << true << 3 << false << 1 << "fallback stop; play; tick start";
        // The offline map follows the track as the online one does.
        QTest::newRow("no connection reads the track and plays")
            << true << 4 << false << 1 << "fallback stop; read track 1; play; tick start; track loaded yes";
        QTest::newRow("no connection again, track read") << true << 4 << true << 1 << "fallback stop; play; tick start";
        QTest::newRow("no connection, recording gone from the list")
            << true << 4 << false << 2 << "fallback stop; play; tick start";
        QTest::newRow("no connection, no recording") << true << 4 << false << -1 << "fallback stop; play; tick start";
        QTest::newRow("unknown state") << true << 7 << false << 0 << "fallback stop";
    }
    void loadReport()
    {
        QFETCH(bool, ok);
        QFETCH(int, playStatus);
        QFETCH(bool, trackLoaded);
        QFETCH(int, index);
        QFETCH(QString, effects);
        QCOMPARE(Describe(UMapBridge::LoadReported(ok, playStatus, trackLoaded, index, 2)), effects);
    }

    void onlineAnswer_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("between"); // what happens while the answer is on its way
        QTest::addColumn<QString>("effects");
        QTest::newRow("online") << true << "" << "fallback stop; read track 0; play; tick start; track loaded yes";
        QTest::newRow("offline") << false << "" << "fallback stop; tick stop; status 4; page no_connection.html";
        QTest::newRow("online, chosen again") << true << "choose 1" << "";
        QTest::newRow("offline, chosen again") << false << "choose 1" << "";
        QTest::newRow("online, the same chosen again") << true << "choose 0" << "";
        QTest::newRow("online, fallback ran") << true << "fallback" << "";
        QTest::newRow("offline, fallback ran") << false << "fallback" << "";
        QTest::newRow("online, a second answer started playback") << true << "answered" << "";
        QTest::newRow("online, play list index moved") << true << "index 1" << "";
        QTest::newRow("online, recording deleted") << true << "count 0" << "";
        QTest::newRow("offline, recording deleted") << false << "count 0"
                                                    << "fallback stop; tick stop; status 4; page no_connection.html";
        QTest::newRow("online, window gone") << true << "drop" << "";
    }
    void onlineAnswer()
    {
        QFETCH(bool, online);
        QFETCH(QString, between);
        QFETCH(QString, effects);
        Window w;
        w.Choose(0);
        const UMapStep report = w.Report();
        QVERIFY(report.AskOnline);
        const UMapQuestion question = w.Ask(report);
        QCOMPARE(question.Index, 0);

        if (between == "choose 1")
            w.Choose(1);
        else if (between == "choose 0")
            w.Choose(0);
        else if (between == "fallback")
            w.Apply(w.Bridge.FallbackTimedOut());
        else if (between == "answered")
            w.TrackLoaded = true;
        else if (between == "index 1")
            w.Index = 1;
        else if (between == "count 0")
            w.Count = 0;
        else if (between == "drop")
            w.Bridge.DropPendingAnswers();
        // Only a new choice and the window's going make the question itself stale.
        const bool stillCurrent = !between.startsWith("choose") && between != "drop";
        QCOMPARE(w.Bridge.IsCurrent(question), stillCurrent);
        QCOMPARE(w.Answer(question, online), effects);
    }

    void rendererGone_data()
    {
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<bool>("trackLoaded");
        QTest::addColumn<QString>("effects");
        QTest::newRow("online map, answer owed") << 1 << false << "status 4; page no_connection.html";
        QTest::newRow("online map, playing with its track") << 1 << true << "";
        QTest::newRow("information page") << 2 << false << "";
        QTest::newRow("no connection page") << 4 << false << "";
        QTest::newRow("start page") << 0 << false << "";
    }
    void rendererGone()
    {
        QFETCH(int, playStatus);
        QFETCH(bool, trackLoaded);
        QFETCH(QString, effects);
        UMapBridge bridge;
        QCOMPARE(Describe(bridge.RendererGone(playStatus, trackLoaded)), effects);
    }

    // The fallback after the online map has loaded: a page that still owes its
    // answer has a renderer that does not answer, and goes with it.
    void fallbackAfterLoading_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("effects");
        QTest::newRow("answer owed") << "ask" << "status 4; end renderer; page no_connection.html";
        QTest::newRow("answered") << "ask, answer" << "status 4; page no_connection.html";
        QTest::newRow("not loaded yet") << "" << "status 4; page no_connection.html";
        QTest::newRow("renderer gone") << "ask, gone" << "status 4; page no_connection.html";
        QTest::newRow("chosen again") << "ask, choose" << "status 4; page no_connection.html";
    }
    void fallbackAfterLoading()
    {
        QFETCH(QString, before);
        QFETCH(QString, effects);
        Window w;
        w.Choose(0);
        if (before.contains("ask")) {
            const UMapQuestion question = w.Ask(w.Report());
            if (before.contains("answer"))
                w.Bridge.OnlineAnswered(question, false, w.PlayStatus, w.TrackLoaded, w.Index, w.Count);
            if (before.contains("gone"))
                w.Bridge.RendererGone(w.PlayStatus, w.TrackLoaded);
            if (before.contains("choose"))
                w.Choose(2);
        }
        QCOMPARE(Describe(w.Bridge.FallbackTimedOut()), effects);
    }

    void fallbackShowsTheNoConnectionPage()
    {
        // The timer is not stopped here: it fires again until a load report stops it.
        UMapBridge bridge;
        QCOMPARE(Describe(bridge.FallbackTimedOut()), "status 4; page no_connection.html");
    }

    // One choice after the other, as the map view reports them.
    void roadThroughTheBridge()
    {
        Window w;
        QCOMPARE(Describe(w.Report()), "fallback stop"); // the start page
        QCOMPARE(w.PlayStatus, 0);

        // Online: the track is read and playback started once.
        w.Choose(0);
        QCOMPARE(w.PlayStatus, 1);
        const UMapQuestion first = w.Ask(w.Report());
        const UMapQuestion second = w.Ask(w.Report()); // reported again before the answer
        QCOMPARE(w.Answer(first, true), "fallback stop; read track 0; play; tick start; track loaded yes");
        QCOMPARE(w.Answer(second, true), "");
        QCOMPARE(Describe(w.Report()), "fallback stop");

        // A recording without a log plays once its page has loaded.
        QCOMPARE(w.Choose(1), "fallback stop; status 2; page no_gps_file.html");
        QCOMPARE(Describe(w.Report(false)), "");
        QCOMPARE(Describe(w.Report()), "fallback stop; play; tick start");

        // Offline: the no-connection page, whose load report reads the track
        // for its offline map and starts playback; once.
        w.Choose(2);
        QCOMPARE(w.TrackLoaded, false);
        QCOMPARE(w.Answer(w.Ask(w.Report()), false), "fallback stop; tick stop; status 4; page no_connection.html");
        QCOMPARE(w.Apply(w.Report()), "fallback stop; read track 2; play; tick start; track loaded yes");
        QCOMPARE(w.PlayStatus, 4);
        QCOMPARE(w.Apply(w.Report()), "fallback stop; play; tick start");

        // The online map that never loads: the fallback, then the same, for
        // the recording chosen now.
        w.Choose(0);
        QCOMPARE(w.TrackLoaded, false);
        QCOMPARE(w.Apply(w.Bridge.FallbackTimedOut()), "status 4; page no_connection.html");
        QCOMPARE(w.Apply(w.Report()), "fallback stop; read track 0; play; tick start; track loaded yes");

        // A recording without a log after the offline map: its page plays
        // without a track.
        QCOMPARE(w.Choose(1), "fallback stop; status 2; page no_gps_file.html");
        QCOMPARE(w.Apply(w.Report()), "fallback stop; play; tick start");
    }

    void mapCallsCarryTheHemispheresAsSigns_data()
    {
        QTest::addColumn<QString>("northSouth");
        QTest::addColumn<QString>("eastWest");
        QTest::addColumn<QString>("arguments");
        QTest::newRow("north east") << "N" << "E" << "(22.54321,113.98765)";
        QTest::newRow("south west") << "S" << "W" << "(-22.54321,-113.98765)";
        QTest::newRow("south east") << "S" << "E" << "(-22.54321,113.98765)";
        QTest::newRow("north west") << "N" << "W" << "(22.54321,-113.98765)";
        QTest::newRow("no letters: north east") << "" << "" << "(22.54321,113.98765)";
        QTest::newRow("other letters: north east") << "s" << " W" << "(22.54321,113.98765)";
    }
    void mapCallsCarryTheHemispheresAsSigns()
    {
        QFETCH(QString, northSouth);
        QFETCH(QString, eastWest);
        QFETCH(QString, arguments);
        const GpsRecord record = Point("22.54321", northSouth, "113.98765", eastWest);
        QCOMPARE(UMapScript::SetStartCall(record), "setstart" + arguments);
        QCOMPARE(UMapScript::SetPositionCall(record), "setposition" + arguments);
    }

    void fixedMapTexts()
    {
        QCOMPARE(UMapScript::SetLocationCall(), QStringLiteral("SetLocation(22.40,113.40)"));
        const QString query = UMapScript::IsOnlineQuery();
        QVERIFY(query.contains("document.querySelector('#isonline')"));
        QVERIFY(query.contains("this.checked"));
    }

    // The tile template goes as one JavaScript string, whatever it holds,
    // to a page that may not know the call.
    void setTilesCallIsAGuardedString_data()
    {
        QTest::addColumn<QString>("tiles");
        QTest::addColumn<QString>("call");
        QTest::newRow("the program's scheme")
            << "vialumo-tiles://tile/{z}/{x}/{y}"
            << "typeof settiles === \"function\" && settiles(\"vialumo-tiles://tile/{z}/{x}/{y}\")";
        QTest::newRow("quotes and a line break")
            << "a\"b'c\\d\ne"
            << "typeof settiles === \"function\" && settiles(\"a\\\"b'c\\\\d\\ne\")";
    }
    void setTilesCallIsAGuardedString()
    {
        QFETCH(QString, tiles);
        QFETCH(QString, call);
        QCOMPARE(UMapScript::SetTilesCall(tiles), call);
    }
};

QTEST_APPLESS_MAIN(TestUMapBridge)
#include "tst_umapbridge.moc"

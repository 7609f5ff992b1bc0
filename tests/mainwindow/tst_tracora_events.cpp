// The events in the real window: E and Shift+E across recordings, the
// Events view (Ctrl+Shift+E) with its events and trips and a double-click that
// plays the moment, and the marks and trace sent to the map page.
#include <QtTest>

#include <QComboBox>
#include <QSpinBox>
#include <QTabWidget>

#include "events/ueventindex.h"
#include "mapfixture.h"
#include "mp4gpswriter.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");

// A map page that says it is online and records the calls of the route, the
// events, the trace and the trip.
QString RecordingMap()
{
    QString script = QStringLiteral("console.log('PAGE googlearth');");
    for (const char *name : {"showroute", "showevents", "showaccel", "showtrip"}) {
        script += QStringLiteral("function %1(a) { console.log('CALL %1(' + JSON.stringify(a) + ')'); }")
                      .arg(QString::fromLatin1(name));
    }
    script += QStringLiteral("function SetLocation() {} function setstart() {} function setposition() {}"
                             " function setclock() {}");
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>%1</script></head>"
                          "<body><input type=\"checkbox\" id=\"isonline\" checked></body></html>")
        .arg(script);
}

void Copy(const QString &To, const QByteArray &NmeaSide = {})
{
    QVERIFY(QDir().mkpath(QFileInfo(To).path()));
    QVERIFY(QFile::copy(Clip, To));
    if (!NmeaSide.isEmpty()) {
        QFile side(To.chopped(4) + QStringLiteral(".NMEA"));
        QVERIFY(side.open(QIODevice::WriteOnly));
        side.write(NmeaSide);
    }
}

struct Session
{
    Workspace Space;
    Tracora Window;
    WindowParts Parts{Window};
    UEventIndex *Index = Window.findChild<UEventIndex *>();
    QWidget *View = Window.findChild<QWidget *>(QStringLiteral("EventsView"));
    QTableWidget *Events = Window.findChild<QTableWidget *>(QStringLiteral("EventsTable"));
    QTableWidget *Trips = Window.findChild<QTableWidget *>(QStringLiteral("TripsTable"));
    RecordingPage *Page = nullptr;

    Session()
    {
        Space.WritePage(QStringLiteral("googlearth.html"), RecordingMap());
        Page = InstallRecordingPage(Window.findChild<QWebEngineView *>());
        Window.show();
        (void)QTest::qWaitForWindowExposed(&Window);
    }

    // A card with two event clips (with GPS beside them) and two everyday
    // ones, imported and read: 0, 1 in Event/, 2, 3 in Normal/.
    bool ImportCard()
    {
        const QString card = Space.Root.filePath(QStringLiteral("card"));
        const QDateTime start(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());
        Copy(card + QStringLiteral("/Event/CLIP0002.MOV"), Mp4GpsWriter::NmeaLines(Mp4GpsWriter::Drive(3, 52.0, 13.0, start)));
        Copy(card + QStringLiteral("/Event/CLIP0004.MOV"),
             Mp4GpsWriter::NmeaLines(Mp4GpsWriter::Drive(3, 52.0006, 13.0009, start.addSecs(3))));
        Copy(card + QStringLiteral("/Normal/CLIP0001.MOV"));
        Copy(card + QStringLiteral("/Normal/CLIP0003.MOV"));
        Window.ImportPaths({card});
        return QTest::qWaitFor([this] { return Parts.Files->GetVideoCount() == 4 && Index->Pending() == 0 && Index->At(3); },
                               30000);
    }
};

} // namespace

class TestTracoraEvents : public QObject
{
    Q_OBJECT

private slots:
    void keysStepAcrossRecordings()
    {
        Session s;
        QVERIFY(s.ImportCard());
        QVERIFY(s.Index->At(0)->Events.size() == 1 && s.Index->At(1)->Events.size() == 1);
        // Nothing plays: E plays the first event's recording from its start.
        QTest::keyClick(&s.Window, Qt::Key_E);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(0); }, 30000));
        QTest::keyClick(s.Parts.Left->viewport(), Qt::Key_E);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(1); }, 30000));
        // The list follows to the page of the recording played.
        QCOMPARE(s.Parts.Left->item(1, 0)->text(), QStringLiteral("CLIP0004.MOV"));
        QTest::keyClick(&s.Window, Qt::Key_E, Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(0); }, 30000));
        // Past the last event: a note, and play goes on where it is.
        QTest::keyClick(&s.Window, Qt::Key_E);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(1); }, 30000));
        QTest::keyClick(&s.Window, Qt::Key_E);
        QTest::qWait(300);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 1);
    }

    void marksReachTheMap()
    {
        Session s;
        QVERIFY(s.ImportCard());
        QTest::keyClick(&s.Window, Qt::Key_E);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(0); }, 30000));
        auto called = [&](const QString &Name) {
            for (const QString &call : std::as_const(s.Page->Calls)) {
                if (call.startsWith(Name))
                    return call;
            }
            return QString();
        };
        QVERIFY(QTest::qWaitFor([&] { return !called(QStringLiteral("showevents(")).isEmpty(); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return !called(QStringLiteral("showaccel(")).isEmpty(); }, 5000));
        QVERIFY2(called(QStringLiteral("showevents(")).contains(QStringLiteral("\"recorder\"")),
                 qPrintable(called(QStringLiteral("showevents("))));
        QVERIFY(called(QStringLiteral("showevents(")).contains(QStringLiteral("event folder Event")));
        QCOMPARE(called(QStringLiteral("showaccel(")), QStringLiteral("showaccel([])"));
        // The two event clips are one drive: the trip names both.
        QVERIFY(QTest::qWaitFor([&] { return !called(QStringLiteral("showtrip(")).isEmpty(); }, 5000));
        QVERIFY(called(QStringLiteral("showtrip(")).startsWith(QStringLiteral("showtrip([[0,")));
        QVERIFY(called(QStringLiteral("showtrip(")).contains(QStringLiteral("[1,")));
    }

    void eventsView()
    {
        Session s;
        QVERIFY(s.View && s.Events && s.Trips);
        QVERIFY(!s.View->isVisible());
        QVERIFY(s.ImportCard());
        QTest::keyClick(&s.Window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QTest::qWaitForWindowExposed(s.View));
        QCOMPARE(s.Events->rowCount(), 2);
        QCOMPARE(s.Events->item(0, 0)->text(), QStringLiteral("CLIP0002.MOV"));
        QCOMPARE(s.Events->item(0, 2)->text(), QStringLiteral("Recorder"));
        QCOMPARE(s.Events->item(0, 3)->text(), QStringLiteral("event folder Event"));
        // The everyday clips are trips of their own (no GPS); the event clips one drive.
        QCOMPARE(s.Trips->rowCount(), 3);
        auto *order = s.View->findChild<QComboBox *>(QStringLiteral("EventsOrder"));
        order->setCurrentIndex(1);
        QCOMPARE(s.Events->rowCount(), 2);
        // A speed limit under the drive's speed adds speeding, and is remembered.
        auto *limit = s.View->findChild<QSpinBox *>(QStringLiteral("SpeedLimit"));
        QCOMPARE(limit->value(), 0);
        limit->setValue(50);
        QCOMPARE(s.Events->rowCount(), 4);
        limit->setValue(0);
        QCOMPARE(s.Events->rowCount(), 2);
        // A double-click plays that moment.
        order->setCurrentIndex(0);
        WindowParts::DoubleClickRow(s.Events, 1);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(1); }, 30000));
        // Keys work in the view too; Ctrl+Shift+E hides it.
        s.Events->setFocus();
        QTest::keyClick(s.Events, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&] { return !s.View->isVisible(); }, 2000));
        // A recording removed from the list leaves the view.
        QTest::keyClick(&s.Window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        s.Parts.Files->DeleteVideoAndGpsfile(0);
        QVERIFY(QTest::qWaitFor([&] { return s.Events->rowCount() == 1; }, 2000));
    }
};

QTEST_MAIN(TestTracoraEvents)
#include "tst_tracora_events.moc"

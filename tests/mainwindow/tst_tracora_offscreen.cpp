// The window on a platform without OpenGL (Qt's offscreen platform, as in
// headless sessions): built as the program builds it, a recording imported
// through the catalogue and played, the displays following it, and the
// window closed by its own button with the application ending normally.
#include <QtTest>

#include <QFile>

#include "mapfixture.h"
#include "windowparts.h"

using namespace mapfixture;

class TestTracoraOffscreen : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void playsAndClosesWithoutOpenGL()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no X11 window on the offscreen platform")));

        Workspace space;
        const QStringList log = DriveLog(4);
        const QString video = space.AddRecording(1, QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV"), &log);

        Tracora window;
        QFile sheet(QStringLiteral(":/qss/Tracora.qss"));
        QVERIFY(sheet.open(QFile::ReadOnly));
        window.setStyleSheet(QLatin1String(sheet.readAll()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        WindowParts parts(window);
        QVERIFY(parts.Complete());
        RecordingPage *page = InstallRecordingPage(parts.Map);
        parts.AddRecordings({video});
        QCOMPARE(parts.Left->item(0, 3)->text(), QStringLiteral("Available"));

        WindowParts::DoubleClickRow(parts.Left, 0);
        // The engine keeps its own output here, but it plays, and the
        // displays follow it: time label, position text, map calls.
        QVERIFY(QTest::qWaitFor([&] { return parts.PlayingIndex(0); }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return parts.TimeLabel->text() != QStringLiteral("00:00:00/00:00:00"); },
                                30000));
        QVERIFY(QTest::qWaitFor([&] { return !parts.Position->text().trimmed().isEmpty(); }, 30000));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return std::any_of(page->Calls.begin(), page->Calls.end(),
                                   [](const QString &call) { return call.startsWith(QStringLiteral("setposition(")); });
            },
            30000));

        // Closing ends the application's loop like the program's own.
        QTimer::singleShot(0, parts.Window.findChild<QPushButton *>(QStringLiteral("WindowClose")),
                           &QPushButton::click);
        QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(3); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestTracoraOffscreen)
#include "tst_tracora_offscreen.moc"

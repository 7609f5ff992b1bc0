// The clip's marks: which stretch I and O make, what they drop, where they
// show on the slider and what the map page is sent; the export's words.
#include <QtTest>

#include "console/uclipmarks.h"
#include "console/uexportprogress.h"

class TestUClipMarks : public QObject
{
    Q_OBJECT
private slots:
    // Each step is "I <ms>", "O <ms>", "-I" or "-O"; after them the stretch
    // of a recording of 60 s and the last words shown.
    void marksMakeTheStretch_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<QString>("words");
        QTest::newRow("no marks: the whole recording") << QStringList() << qint64(0) << qint64(60000) << QString();
        QTest::newRow("in only") << QStringList{"I 12500"} << qint64(12500) << qint64(60000) << "In 00:00:12";
        QTest::newRow("out only") << QStringList{"O 30000"} << qint64(0) << qint64(30000) << "Out 00:00:30";
        QTest::newRow("both") << QStringList{"I 12500", "O 42000"} << qint64(12500) << qint64(42000)
                              << "Out 00:00:42";
        QTest::newRow("out first, then in") << QStringList{"O 42000", "I 12500"} << qint64(12500) << qint64(42000)
                                            << "In 00:00:12";
        QTest::newRow("in after the out drops the out")
            << QStringList{"I 10000", "O 20000", "I 25000"} << qint64(25000) << qint64(60000)
            << "In 00:00:25, out cleared";
        QTest::newRow("out before the in drops the in")
            << QStringList{"I 10000", "O 5000"} << qint64(0) << qint64(5000) << "Out 00:00:05, in cleared";
        QTest::newRow("in on the out drops the out")
            << QStringList{"O 8000", "I 8000"} << qint64(8000) << qint64(60000) << "In 00:00:08, out cleared";
        QTest::newRow("in cleared") << QStringList{"I 10000", "O 20000", "-I"} << qint64(0) << qint64(20000)
                                    << "In cleared";
        QTest::newRow("out cleared") << QStringList{"I 10000", "O 20000", "-O"} << qint64(10000) << qint64(60000)
                                     << "Out cleared";
        QTest::newRow("a time before the start") << QStringList{"I -300"} << qint64(0) << qint64(60000)
                                                 << "In 00:00:00";
    }
    void marksMakeTheStretch()
    {
        QFETCH(QStringList, steps);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(QString, words);
        UClipMarks marks;
        QString shown;
        for (const QString &step : steps) {
            const qint64 time = step.section(' ', 1).toLongLong();
            if (step.startsWith("I "))
                shown = marks.SetIn(time);
            else if (step.startsWith("O "))
                shown = marks.SetOut(time);
            else if (step == "-I")
                shown = marks.ClearIn();
            else
                shown = marks.ClearOut();
        }
        QCOMPARE(shown, words);
        const UClipMarks::Range range = marks.RangeOf(60000);
        QCOMPARE(range.FromMs, from);
        QCOMPARE(range.ToMs, to);
        QVERIFY(marks.In() == UClipMarks::None || marks.Out() == UClipMarks::None || marks.In() < marks.Out());
    }

    void unknownLengthLeavesTheEndOpen()
    {
        UClipMarks marks;
        marks.SetIn(5000);
        QCOMPARE(marks.RangeOf(0).ToMs, UClipMarks::None);
        QCOMPARE(marks.RangeOf(-1).FromMs, qint64(5000));
        marks.Clear();
        QVERIFY(marks.IsEmpty());
    }

    void sliderAndMapShowTheMarks_data()
    {
        QTest::addColumn<qint64>("in");
        QTest::addColumn<qint64>("out");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("sliderIn");
        QTest::addColumn<int>("sliderOut");
        QTest::addColumn<QString>("call");
        QTest::newRow("both") << qint64(15000) << qint64(45000) << qint64(60000) << 250 << 750
                              << "typeof setmarks === \"function\" && setmarks(15000,45000)";
        QTest::newRow("none") << qint64(-1) << qint64(-1) << qint64(60000) << -1 << -1
                              << "typeof setmarks === \"function\" && setmarks(-1,-1)";
        QTest::newRow("length unknown") << qint64(15000) << qint64(-1) << qint64(0) << -1 << -1
                                        << "typeof setmarks === \"function\" && setmarks(15000,-1)";
        QTest::newRow("mark past the known length") << qint64(-1) << qint64(70000) << qint64(60000) << -1 << 1000
                                                    << "typeof setmarks === \"function\" && setmarks(-1,70000)";
    }
    void sliderAndMapShowTheMarks()
    {
        QFETCH(qint64, in);
        QFETCH(qint64, out);
        QFETCH(qint64, length);
        QFETCH(int, sliderIn);
        QFETCH(int, sliderOut);
        QFETCH(QString, call);
        UClipMarks marks;
        if (out >= 0)
            marks.SetOut(out);
        if (in >= 0)
            marks.SetIn(in);
        QCOMPARE(UClipMarks::SliderValue(marks.In(), length, 1000), sliderIn);
        QCOMPARE(UClipMarks::SliderValue(marks.Out(), length, 1000), sliderOut);
        QCOMPARE(marks.MapCall(), call);
    }

    void exportWords_data()
    {
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("words");
        QTest::newRow("done") << true << false << QString() << "Clip exported: CLIP0007_00-01-02-00-02-02";
        QTest::newRow("cancelled") << false << true << "cancelled" << "Export cancelled";
        QTest::newRow("failed") << false << false << "/media/usb/clip: cannot be written (No space left on device)"
                                << "Export failed: /media/usb/clip: cannot be written (No space left on device)";
    }
    void exportWords()
    {
        QFETCH(bool, done);
        QFETCH(bool, cancelled);
        QFETCH(QString, error);
        QFETCH(QString, words);
        QCOMPARE(UExportProgress::ClosingText(done, cancelled, "/home/me/Videos/CLIP0007_00-01-02-00-02-02/", error),
                 words);
        QCOMPARE(UExportProgress::RunningText(41), QString("Exporting 41 %"));
        QCOMPARE(UExportProgress::RunningText(140), QString("Exporting 100 %"));
        QCOMPARE(UExportProgress::SpeedText(62.6), QString("63 km/h"));
    }
};

QTEST_APPLESS_MAIN(TestUClipMarks)
#include "tst_uclipmarks.moc"

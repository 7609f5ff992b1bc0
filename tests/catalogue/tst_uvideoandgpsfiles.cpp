// The recording catalogue on real files in the recorder's layout
// (TRIP/DCIM/100CLIP/CLIPnnnn.MOV beside TRIP/gps/gpsnnnn.log).

#include "catalogue/uvideoandgpsfiles.h"
#include "gpslog/gpslogdata.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <limits>

namespace {

const QByteArray ValidLine = "A,140325,101500,2232.1234,N,11356.5678,E,10.0;\n";
const QByteArray NoFixLine = "V,140325,101500,,,,,;\n";

QByteArray Lines(int valid, int total)
{
    return ValidLine.repeated(valid) + NoFixLine.repeated(total - valid);
}

enum LogKind { RegularLog, MissingLog, DirectoryLog, DanglingLink, LinkToLog };

} // namespace

Q_DECLARE_METATYPE(LogKind)

class TestUVideoAndGpsfiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    QString Path(const QString &relative) const { return Dir.path() + QLatin1Char('/') + relative; }

    // Writes a file (and its folders) under the temporary folder.
    QString Write(const QString &relative, const QByteArray &content = "fake video")
    {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

private slots:
    void logPathAndRating_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("log");

        QTest::newRow("recorder layout") << "T1/DCIM/100CLIP/CLIP0007.MOV" << "" << "T1/gps/gps0007.log";
        QTest::newRow("eight characters") << "T2/DCIM/100CLIP/AB12.MOV" << "" << "T2/gps/gps.MOV.log";
        QTest::newRow("six characters") << "T3/DCIM/100CLIP/AB.MOV" << "" << "T3/gps/gpsOV.log";
        QTest::newRow("five characters") << "T4/DCIM/100CLIP/ABCDE" << "" << "T4/gps/gpsE.log";
        QTest::newRow("four characters") << "T5/DCIM/100CLIP/ABCD" << "" << "T5/gps/gps.log";
        QTest::newRow("backslash in a folder name") << "T6/DCIM\\100CLIP/CLIP0007.MOV" << ""
                                                    << "gps/gps0007.log";
        QTest::newRow("backslash in the key") << "T7/DCIM/100CLIP/CLIP\\007.MOV" << "" << "T7/gps/gps\\007.log";
        QTest::newRow("spaces and accents") << QString::fromUtf8("Reise März/DCIM/100 CLIP/CLIPé07 ü.MOV") << ""
                                            << QString::fromUtf8("Reise März/gps/gpsé07 .log");
        QTest::newRow("letter outside the basic plane")
            << QString::fromUtf8("T8/DCIM/100CLIP/CLIP\U0001F6977.MOV") << ""
            << QString::fromUtf8("T8/gps/gps\U0001F6977.M.log");
        QTest::newRow("dot segments") << "T9/DCIM/100CLIP/CLIP0009.MOV" << "T9/DCIM/./100CLIP/../100CLIP/CLIP0009.MOV"
                                      << "T9/gps/gps0009.log";
        QTest::newRow("doubled separators") << "TA/DCIM/100CLIP/CLIP0010.MOV" << "TA//DCIM/100CLIP//CLIP0010.MOV"
                                            << "TA/gps/gps0010.log";
    }

    // The log is looked for where the derived path says, and only there.
    void logPathAndRating()
    {
        QFETCH(QString, video);
        QFETCH(QString, given);
        QFETCH(QString, log);
        const QString videoPath = Write(video);
        const QString givenPath = given.isEmpty() ? videoPath : Path(given);
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({givenPath});
        QCOMPARE(catalogue.GetGpsfilePath(0), Path(log));
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Not Exist"));
        Write(log, Lines(1, 1));
        catalogue.AddVideoAndGpsfiles({givenPath});
        QCOMPARE(catalogue.GetGpsfileStatus(1), QStringLiteral("Available"));
        QCOMPARE(catalogue.GetVideoName(1), QFileInfo(videoPath).fileName());
    }

    void rating_data()
    {
        QTest::addColumn<LogKind>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("word");

        QTest::newRow("2 of 10") << RegularLog << Lines(2, 10) << "Unavailable";
        QTest::newRow("3 of 10") << RegularLog << Lines(3, 10) << "Available";
        QTest::newRow("1 of 5, exactly a fifth") << RegularLog << Lines(1, 5) << "Unavailable";
        QTest::newRow("3 of 15, exactly a fifth") << RegularLog << Lines(3, 15) << "Unavailable";
        QTest::newRow("1 of 4") << RegularLog << Lines(1, 4) << "Available";
        QTest::newRow("lower-case a") << RegularLog << QByteArray("a,x\n").repeated(10) << "Unavailable";
        QTest::newRow("blank before A") << RegularLog << QByteArray(" A,x\n").repeated(10) << "Unavailable";
        QTest::newRow("NMEA sentences") << RegularLog << QByteArray("$GPRMC,A\n").repeated(10) << "Unavailable";
        QTest::newRow("empty lines count") << RegularLog << QByteArray("A\n\n\n\n\n") << "Unavailable";
        QTest::newRow("4 lines, no final end") << RegularLog << QByteArray("A\n\n\n") << "Available";
        QTest::newRow("CRLF") << RegularLog << QByteArray("A\r\n\r\n\r\n\r\n") << "Available";
        QTest::newRow("byte order mark") << RegularLog << QByteArray("\xEF\xBB\xBF" "A\nV\n") << "Available";
        QTest::newRow("binary") << RegularLog << QByteArray("\0\xff\x01\nV\0\n\x80\n", 9) << "Unavailable";
        QTest::newRow("one line of 8 MB") << RegularLog << "A" + QByteArray(8 << 20, ',') << "Available";
        QTest::newRow("empty log") << RegularLog << QByteArray() << "Unavailable";
        QTest::newRow("missing") << MissingLog << QByteArray() << "Not Exist";
        QTest::newRow("a directory") << DirectoryLog << QByteArray() << "Not Exist";
        QTest::newRow("dangling link") << DanglingLink << QByteArray() << "Not Exist";
        QTest::newRow("link to a log") << LinkToLog << Lines(1, 1) << "Available";
    }

    void rating()
    {
        QFETCH(LogKind, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, word);
        static int trip = 0;
        const QString folder = QStringLiteral("R%1").arg(++trip);
        const QString video = Write(folder + "/DCIM/100CLIP/CLIP0001.MOV");
        const QString log = Path(folder + "/gps/gps0001.log");
        QDir().mkpath(QFileInfo(log).path());
        switch (kind) {
        case RegularLog: Write(folder + "/gps/gps0001.log", content); break;
        case MissingLog: break;
        case DirectoryLog: QVERIFY(QDir().mkpath(log)); break;
        case DanglingLink: QVERIFY(QFile::link(Path("nowhere.log"), log)); break;
        case LinkToLog: QVERIFY(QFile::link(Write(folder + "/elsewhere.log", content), log)); break;
        }
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({video});
        QCOMPARE(catalogue.GetVideoCount(), 1);
        QCOMPARE(catalogue.GetGpsfileStatus(0), word);
    }

    void importOrderAndSignals()
    {
        const QString first = Write("I/DCIM/100CLIP/CLIP0001.MOV");
        const QString third = Write("I/DCIM/100CLIP/CLIP0003.MOV");
        QVERIFY(QDir().mkpath(Path("I/DCIM/100CLIP/CLIP0004.MOV")));
        QVERIFY(QFile::link(Path("I/DCIM/100CLIP/gone.MOV"), Path("I/DCIM/100CLIP/CLIP0005.MOV")));
        UVideoAndGpsfiles catalogue;
        QSignalSpy added(&catalogue, &UVideoAndGpsfiles::VideoAdded);
        QStringList lastAtSignal;
        connect(&catalogue, &UVideoAndGpsfiles::VideoAdded, this,
                [&] { lastAtSignal << catalogue.GetVideoName(catalogue.GetVideoCount() - 1); });

        catalogue.AddVideoAndGpsfiles({first, Path("I/DCIM/100CLIP/CLIP0002.MOV"), third,
                                       Path("I/DCIM/100CLIP/CLIP0004.MOV"), Path("I/DCIM/100CLIP/CLIP0005.MOV"),
                                       QString()});
        QCOMPARE(catalogue.GetVideoCount(), 2);
        QCOMPARE(catalogue.GetVideoName(0), QStringLiteral("CLIP0001.MOV"));
        QCOMPARE(catalogue.GetVideoName(1), QStringLiteral("CLIP0003.MOV"));
        QCOMPARE(added.size(), 2);
        QCOMPARE(added.at(0).at(0).toString(), first);
        QCOMPARE(added.at(1).at(0).toString(), third);
        QCOMPARE(lastAtSignal, QStringList({"CLIP0001.MOV", "CLIP0003.MOV"}));

        // the same video again is a new entry
        catalogue.AddVideoAndGpsfiles({first});
        QCOMPARE(catalogue.GetVideoCount(), 3);
        QCOMPARE(added.size(), 3);
        QCOMPARE(catalogue.GetVideoName(2), QStringLiteral("CLIP0001.MOV"));
    }

    void readAccessOutOfRange()
    {
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({Write("O/DCIM/100CLIP/CLIP0001.MOV")});
        for (const int index : {-1, 1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
            QVERIFY(catalogue.GetVideoName(index).isEmpty());
            QVERIFY(catalogue.GetVideoDate(index).isEmpty());
            QVERIFY(catalogue.GetVideoTime(index).isEmpty());
            QVERIFY(catalogue.GetGpsfilePath(index).isEmpty());
            QVERIFY(catalogue.GetGpsfileStatus(index).isEmpty());
        }
    }

    void deletion()
    {
        UVideoAndGpsfiles catalogue;
        for (const char *name : {"CLIP0001.MOV", "CLIP0002.MOV", "CLIP0003.MOV"})
            catalogue.AddVideoAndGpsfiles({Write(QStringLiteral("D/DCIM/100CLIP/") + name)});
        QSignalSpy deleted(&catalogue, &UVideoAndGpsfiles::VideoDeleted);
        catalogue.DeleteVideoAndGpsfile(1);
        QCOMPARE(catalogue.GetVideoCount(), 2);
        QCOMPARE(catalogue.GetVideoName(1), QStringLiteral("CLIP0003.MOV"));
        catalogue.DeleteVideoAndGpsfile(catalogue.GetVideoCount());
        catalogue.DeleteVideoAndGpsfile(-1);
        QCOMPARE(catalogue.GetVideoCount(), 2);
        QCOMPARE(deleted.size(), 3);
        QCOMPARE(deleted.at(0).at(0).toInt(), 1);
        QCOMPARE(deleted.at(1).at(0).toInt(), 2);
        QCOMPARE(deleted.at(2).at(0).toInt(), -1);
    }

    // Entries keep what was found at import time.
    void filesChangedAfterImport()
    {
        const QString withLog = Write("C/DCIM/100CLIP/CLIP0001.MOV");
        const QString log = Write("C/gps/gps0001.log", Lines(5, 5));
        const QString withoutLog = Write("C/DCIM/100CLIP/CLIP0002.MOV");
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({withLog, withoutLog});
        QVERIFY(QFile::remove(withLog));
        QVERIFY(QFile::remove(log));
        Write("C/gps/gps0002.log", Lines(5, 5));
        QCOMPARE(catalogue.GetVideoName(0), QStringLiteral("CLIP0001.MOV"));
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Available"));
        QCOMPARE(catalogue.GetGpsfileStatus(1), QStringLiteral("Not Exist"));

        // the map page asks for a track that is no longer there
        GpsLogData track;
        track.ReadGpsfile(catalogue.GetGpsfilePath(0));
        QCOMPARE(track.GetGpsDataCount(), 0);
        QVERIFY(!track.GetGpsDataAt(0).DataAvailable);
        QVERIFY(track.GetFirstAvailableGpsData().Latitude.isEmpty());
    }

    void shallowVideoKeptWithoutLog()
    {
        QTemporaryFile video(QDir::tempPath() + "/CLIPXXXXXX.MOV");
        QVERIFY(video.open());
        const QString path = QFileInfo(video.fileName()).absoluteFilePath();
        if (path.count(QLatin1Char('/')) >= 3)
            QSKIP("the temporary folder lies too deep for a video two levels below the root");
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({path});
        QCOMPARE(catalogue.GetVideoCount(), 1);
        QVERIFY(catalogue.GetGpsfilePath(0).isEmpty());
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Not Exist"));
    }

    void creationDateAndTime()
    {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-60);
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({Write("W/DCIM/100CLIP/CLIP0001.MOV")});
        const QString date = catalogue.GetVideoDate(0);
        const QString time = catalogue.GetVideoTime(0);
        QVERIFY2(QRegularExpression("^\\d{4}-\\d{2}-\\d{2}$").match(date).hasMatch(), qPrintable(date));
        QVERIFY2(QRegularExpression("^([01]\\d|2[0-3]):[0-5]\\d$").match(time).hasMatch(), qPrintable(time));
        const QDateTime created = QDateTime::fromString(date + " " + time, "yyyy-MM-dd hh:mm");
        QVERIFY(created >= before.addSecs(-60) && created <= QDateTime::currentDateTime());
    }

    void debugTraces()
    {
        const QString video = Write("G/DCIM/100CLIP/CLIP0001.MOV");
        const QString missing = Path("G/DCIM/100CLIP/CLIP0002.MOV");
        QTest::ignoreMessage(QtDebugMsg, qPrintable("VideoPath:  \"" + video + "\""));
        QTest::ignoreMessage(QtDebugMsg, qPrintable("GpsfilePath:  \"" + Path("G/gps/gps0001.log") + "\""));
        QTest::ignoreMessage(QtDebugMsg, qPrintable("VideoPath:  \"" + missing + "\""));
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({video, missing});
    }
};

QTEST_GUILESS_MAIN(TestUVideoAndGpsfiles)
#include "tst_uvideoandgpsfiles.moc"

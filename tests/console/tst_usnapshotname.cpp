// Snapshot names: the recording and the play time, never a name that is taken.
#include <QtTest>

#include "console/usnapshotname.h"

class TestUSnapshotName : public QObject
{
    Q_OBJECT
private slots:
    void baseNameTellsRecordingAndTime_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<qint64>("time");
        QTest::addColumn<QString>("name");
        QTest::newRow("3 min 7 s") << "/card/DCIM/100CLIP/CLIP0007.MOV" << 187400ll << "CLIP0007_00-03-07";
        QTest::newRow("start") << "/card/CLIP0001.MOV" << 0ll << "CLIP0001_00-00-00";
        QTest::newRow("time unknown") << "/card/CLIP0001.MOV" << -1ll << "CLIP0001_00-00-00";
        QTest::newRow("past an hour") << "/x/drive.mp4" << 3723000ll << "drive_01-02-03";
        QTest::newRow("dots in the name") << "/x/2024.05.01 trip.mkv" << 5000ll << "2024.05.01 trip_00-00-05";
        QTest::newRow("no name") << "" << 1000ll << "snapshot_00-00-01";
    }
    void baseNameTellsRecordingAndTime()
    {
        QFETCH(QString, video);
        QFETCH(qint64, time);
        QFETCH(QString, name);
        QCOMPARE(USnapshotName::BaseName(video, time), name);
    }

    void takenNamesAreNumbered_data()
    {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList() << "/p/CLIP0007_00-03-07.png";
        QTest::newRow("first taken") << QStringList{"/p/CLIP0007_00-03-07.png"} << "/p/CLIP0007_00-03-07-2.png";
        QTest::newRow("two taken") << QStringList{"/p/CLIP0007_00-03-07.png", "/p/CLIP0007_00-03-07-2.png"}
                                   << "/p/CLIP0007_00-03-07-3.png";
        QTest::newRow("a gap is used") << QStringList{"/p/CLIP0007_00-03-07.png", "/p/CLIP0007_00-03-07-3.png"}
                                       << "/p/CLIP0007_00-03-07-2.png";
    }
    void takenNamesAreNumbered()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const QString path = USnapshotName::FreePath("/p", "CLIP0007_00-03-07",
                                                     [&taken](const QString &p) { return taken.contains(p); });
        QCOMPARE(path, expected);
    }

    void everyNameTakenGivesNone()
    {
        QCOMPARE(USnapshotName::FreePath("/p", "x", [](const QString &) { return true; }), QString());
    }

    // One file per camera, the cameras of one moment under one number.
    void camerasShareANumber_data()
    {
        QTest::addColumn<QStringList>("cameras");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("free") << QStringList{"front", "rear"} << QStringList()
                              << QStringList{"/p/CLIP0007_00-03-07_front.png", "/p/CLIP0007_00-03-07_rear.png"};
        // One camera's file taken is enough to number the whole moment.
        QTest::newRow("rear taken") << QStringList{"front", "rear"} << QStringList{"/p/CLIP0007_00-03-07_rear.png"}
                                    << QStringList{"/p/CLIP0007_00-03-07-2_front.png",
                                                   "/p/CLIP0007_00-03-07-2_rear.png"};
        QTest::newRow("a one-camera snapshot is no clash")
            << QStringList{"front", "rear"} << QStringList{"/p/CLIP0007_00-03-07.png"}
            << QStringList{"/p/CLIP0007_00-03-07_front.png", "/p/CLIP0007_00-03-07_rear.png"};
        QTest::newRow("two of one role") << QStringList{"front", "other", "other"} << QStringList()
                                         << QStringList{"/p/CLIP0007_00-03-07_front.png",
                                                        "/p/CLIP0007_00-03-07_other.png",
                                                        "/p/CLIP0007_00-03-07_other-2.png"};
        QTest::newRow("six") << QStringList{"front", "rear", "left", "right", "left_pillar", "right_pillar"}
                             << QStringList()
                             << QStringList{"/p/CLIP0007_00-03-07_front.png", "/p/CLIP0007_00-03-07_rear.png",
                                            "/p/CLIP0007_00-03-07_left.png", "/p/CLIP0007_00-03-07_right.png",
                                            "/p/CLIP0007_00-03-07_left_pillar.png",
                                            "/p/CLIP0007_00-03-07_right_pillar.png"};
    }
    void camerasShareANumber()
    {
        QFETCH(QStringList, cameras);
        QFETCH(QStringList, taken);
        QFETCH(QStringList, expected);
        const QStringList paths = USnapshotName::FreePaths(
            "/p", "CLIP0007_00-03-07", cameras, [&taken](const QString &p) { return taken.contains(p); });
        QCOMPARE(paths, expected);
        QVERIFY(USnapshotName::FreePaths("/p", "x", cameras, [](const QString &) { return true; }).isEmpty());
    }

    // On a real folder: three snapshots at the same second make three files.
    void aRealFolderKeepsEverySnapshot()
    {
        QTemporaryDir dir;
        QStringList made;
        for (int i = 0; i < 3; ++i) {
            const QString path = USnapshotName::FreePath(dir.path(), "CLIP0007_00-03-07",
                                                         [](const QString &p) { return QFileInfo::exists(p); });
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::NewOnly));
            made << QFileInfo(path).fileName();
        }
        QCOMPARE(made, QStringList({"CLIP0007_00-03-07.png", "CLIP0007_00-03-07-2.png", "CLIP0007_00-03-07-3.png"}));
    }
};

QTEST_APPLESS_MAIN(TestUSnapshotName)
#include "tst_usnapshotname.moc"

// What the tiles of a recording's cameras show: the cameras (a camera missing
// for part of a drive keeps its tile while autoplay goes on) and the words
// over a tile without a picture.
#include <QtTest>

#include "console/ucameratiles.h"

Q_DECLARE_METATYPE(UCameraRole)
Q_DECLARE_METATYPE(UCameraFace)

namespace {

using R = UCameraRole;

UCameraFiles Files(const QList<R> &Roles)
{
    UCameraFiles files;
    for (const R role : Roles)
        files << UCameraFile{role, QStringLiteral("/card/") + CameraRoleName(role) + QStringLiteral(".MP4")};
    return files;
}

QString Describe(const UCameraFiles &Files)
{
    QStringList parts;
    for (const UCameraFile &file : Files)
        parts << CameraRoleName(file.Role) + (file.Path.isEmpty() ? QStringLiteral("(none)") : QString());
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestUCameraTiles : public QObject
{
    Q_OBJECT
private slots:
    void labelsNameTheRole_data()
    {
        QTest::addColumn<R>("role");
        QTest::addColumn<UCameraFace>("face");
        QTest::addColumn<QString>("label");
        QTest::newRow("rear cannot play") << R::Rear << UCameraFace::CannotPlay << "Rear: cannot play";
        QTest::newRow("rear no recording") << R::Rear << UCameraFace::NoRecording << "Rear: no recording";
        QTest::newRow("front") << R::Front << UCameraFace::CannotPlay << "Front: cannot play";
        QTest::newRow("interior") << R::Interior << UCameraFace::NoRecording << "Interior: no recording";
        QTest::newRow("telephoto") << R::Telephoto << UCameraFace::CannotPlay << "Telephoto: cannot play";
        QTest::newRow("left") << R::Left << UCameraFace::CannotPlay << "Left: cannot play";
        QTest::newRow("right") << R::Right << UCameraFace::NoRecording << "Right: no recording";
        QTest::newRow("left pillar") << R::LeftPillar << UCameraFace::NoRecording << "Left pillar: no recording";
        QTest::newRow("right pillar") << R::RightPillar << UCameraFace::CannotPlay << "Right pillar: cannot play";
        QTest::newRow("other") << R::Other << UCameraFace::CannotPlay << "Other: cannot play";
        // A picture, or one on its way: nothing over it.
        QTest::newRow("playing") << R::Rear << UCameraFace::Playing << "";
        QTest::newRow("waiting") << R::Rear << UCameraFace::Waiting << "";
    }
    void labelsNameTheRole()
    {
        QFETCH(R, role);
        QFETCH(UCameraFace, face);
        QFETCH(QString, label);
        QCOMPARE(UCameraTiles::Label(role, face), label);
    }

    void shownCameras_data()
    {
        QTest::addColumn<QList<R>>("recording");
        QTest::addColumn<QList<R>>("before");
        QTest::addColumn<bool>("byAutoplay");
        QTest::addColumn<QString>("shown");
        QTest::newRow("own cameras") << QList<R>{R::Front, R::Rear} << QList<R>{} << false << "front rear";
        QTest::newRow("one camera") << QList<R>{R::Front} << QList<R>{R::Front, R::Rear} << true << "front";
        QTest::newRow("none") << QList<R>{} << QList<R>{R::Front, R::Rear} << true << "";
        // The drive goes on without its rear camera for a while.
        QTest::newRow("rear missing on autoplay") << QList<R>{R::Front, R::Interior}
                                                  << QList<R>{R::Front, R::Rear, R::Interior} << true
                                                  << "front interior rear(none)";
        QTest::newRow("chosen by the user") << QList<R>{R::Front, R::Interior}
                                            << QList<R>{R::Front, R::Rear, R::Interior} << false
                                            << "front interior";
        QTest::newRow("after a recording of one") << QList<R>{R::Front, R::Rear} << QList<R>{R::Front} << true
                                                  << "front rear";
        // Six cameras, one missing: the gap keeps its tile.
        QTest::newRow("six, left pillar missing")
            << QList<R>{R::Front, R::Rear, R::Left, R::Right, R::RightPillar}
            << QList<R>{R::Front, R::Rear, R::Left, R::Right, R::LeftPillar, R::RightPillar} << true
            << "front rear left right right_pillar left_pillar(none)";
        // More than the tiles: the first six.
        QTest::newRow("seven") << QList<R>{R::Front, R::Rear, R::Interior, R::Left, R::Right, R::LeftPillar,
                                           R::RightPillar}
                               << QList<R>{} << false << "front rear interior left right left_pillar";
        QTest::newRow("full, nothing carried")
            << QList<R>{R::Front, R::Rear, R::Interior, R::Left, R::Right, R::LeftPillar}
            << QList<R>{R::Front, R::RightPillar} << true << "front rear interior left right left_pillar";
        // Cameras of no particular role cannot be told apart: not carried.
        QTest::newRow("other") << QList<R>{R::Front, R::Rear} << QList<R>{R::Front, R::Rear, R::Other} << true
                               << "front rear";
    }
    void shownCameras()
    {
        QFETCH(QList<R>, recording);
        QFETCH(QList<R>, before);
        QFETCH(bool, byAutoplay);
        QFETCH(QString, shown);
        QCOMPARE(Describe(UCameraTiles::Shown(Files(recording), Files(before), byAutoplay)), shown);
    }

    // What was carried once is carried on while the camera stays missing,
    // and a missing camera's tile is the file's again once it comes back.
    void aMissingCameraStaysMissingAlongTheDrive()
    {
        const UCameraFiles full = Files({R::Front, R::Rear, R::Interior});
        const UCameraFiles withoutRear = Files({R::Front, R::Interior});
        UCameraFiles shown = UCameraTiles::Shown(full, {}, false);
        shown = UCameraTiles::Shown(withoutRear, shown, true);
        QCOMPARE(Describe(shown), QStringLiteral("front interior rear(none)"));
        shown = UCameraTiles::Shown(withoutRear, shown, true);
        QCOMPARE(Describe(shown), QStringLiteral("front interior rear(none)"));
        shown = UCameraTiles::Shown(full, shown, true);
        QCOMPARE(Describe(shown), QStringLiteral("front rear interior"));
        QCOMPARE(shown.at(1).Path, QStringLiteral("/card/rear.MP4"));
    }
};

QTEST_APPLESS_MAIN(TestUCameraTiles)
#include "tst_ucameratiles.moc"

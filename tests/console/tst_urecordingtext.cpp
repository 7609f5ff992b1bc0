// What the list shows of a recording's cameras: the mark after the file
// name, the tooltip naming every camera's file, and the name cut to its
// cell so that the end that tells recordings apart stays.

#include "console/urecordingtext.h"

#include <QtTest>

namespace {

UCameraFiles Cameras(const QList<UCameraRole> &Roles)
{
    UCameraFiles cameras;
    for (const UCameraRole role : Roles)
        cameras << UCameraFile{role, QStringLiteral("/card/%1.MP4").arg(CameraRoleName(role))};
    return cameras;
}

// A cell as wide as Characters characters of one width each.
std::function<bool(const QString &)> Width(int Characters)
{
    return [Characters](const QString &Text) { return QStringView(Text).toUcs4().size() <= Characters; };
}

} // namespace

class TestURecordingText : public QObject
{
    Q_OBJECT

private slots:
    void markOfTheOtherCameras_data()
    {
        QTest::addColumn<QList<UCameraRole>>("roles");
        QTest::addColumn<QString>("mark");
        using R = UCameraRole;
        QTest::newRow("one camera") << QList<UCameraRole>{R::Front} << "";
        QTest::newRow("none") << QList<UCameraRole>{} << "";
        QTest::newRow("front and rear") << QList<UCameraRole>{R::Front, R::Rear} << "+R";
        QTest::newRow("three cameras") << QList<UCameraRole>{R::Front, R::Rear, R::Interior} << "+R +I";
        QTest::newRow("telephoto and interior")
            << QList<UCameraRole>{R::Front, R::Interior, R::Telephoto} << "+I +T";
        QTest::newRow("Tesla of four") << QList<UCameraRole>{R::Front, R::Rear, R::Left, R::Right} << "+R +LS +RS";
        QTest::newRow("Tesla of six, counted")
            << QList<UCameraRole>{R::Front, R::Rear, R::Left, R::Right, R::LeftPillar, R::RightPillar} << "+5";
        QTest::newRow("BlackVue's optional one") << QList<UCameraRole>{R::Front, R::Other} << "+O";
    }
    void markOfTheOtherCameras()
    {
        QFETCH(QList<UCameraRole>, roles);
        QFETCH(QString, mark);
        QCOMPARE(URecordingText::CameraMark(Cameras(roles)), mark);
        const QString cell = URecordingText::NameCell(QStringLiteral("a.MP4"), Cameras(roles));
        QCOMPARE(cell, mark.isEmpty() ? QStringLiteral("a.MP4") : QStringLiteral("a.MP4 ") + mark);
    }

    void tooltipNamesEveryCamerasFile()
    {
        // One camera: its whole path, as the list always showed it.
        QCOMPARE(URecordingText::NameTooltip({{UCameraRole::Front, QStringLiteral("/card/DCIM/CLIP0001.MOV")}}),
                 QStringLiteral("/card/DCIM/CLIP0001.MOV"));
        QCOMPARE(URecordingText::NameTooltip(
                     Cameras({UCameraRole::Front, UCameraRole::Rear, UCameraRole::LeftPillar})),
                 QStringLiteral("Front: /card/front.MP4\nRear: /card/rear.MP4\nLeft pillar: /card/left_pillar.MP4"));
        QVERIFY(URecordingText::NameTooltip({}).isEmpty());
        // A lone rear names its camera only through the file.
        QCOMPARE(URecordingText::NameTooltip({{UCameraRole::Rear, QStringLiteral("/card/b.MP4")}}),
                 QStringLiteral("/card/b.MP4"));
    }

    void nameFittedToItsCell_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("shown");
        const QString viofo = QStringLiteral("2026_0501_120000_0001F.MP4");
        QTest::newRow("fits whole") << viofo << "+R" << 40 << "2026_0501_120000_0001F.MP4 +R";
        QTest::newRow("the recorder's own name") << "CLIP0001.MOV" << "" << 12 << "CLIP0001.MOV";
        QTest::newRow("its suffix cut at the end") << "CLIP0001.MOV" << "" << 10 << "CLIP0001.\u2026";
        QTest::newRow("its suffix cut whole") << "CLIP0001.MOV" << "" << 9 << "CLIP0001\u2026";
        QTest::newRow("its start cut") << "CLIP0001.MOV" << "" << 8 << "\u2026LIP0001";
        QTest::newRow("cut in the middle") << viofo << "+R" << 17 << "2026\u20260001F.MP4 +R";
        QTest::newRow("more of the end where there is room") << viofo << "+R" << 20
                                                             << "2026\u202600_0001F.MP4 +R";
        QTest::newRow("the mark kept whole") << viofo << "+R +I" << 20 << "2026\u20260001F.MP4 +R +I";
        QTest::newRow("no room for the head") << viofo << "+R" << 14 << "\u2026_0001F.MP4 +R";
        QTest::newRow("the end before the suffix") << viofo << "+R" << 12 << "\u202600_0001F +R";
        QTest::newRow("hardly any room") << viofo << "+R" << 6 << "\u20261F +R";
        QTest::newRow("no room even for the mark") << viofo << "+R +I +T" << 4 << "\u2026 +R +I +T";
        QTest::newRow("without a mark") << viofo << "" << 14 << "2026\u20260001F.MP4";
        QTest::newRow("letters beyond the basic plane")
            << QStringLiteral("\U0001F697\U0001F697_0501_120000_0001F.MP4") << "+R" << 17
            << QStringLiteral("\U0001F697\U0001F697_0\u20260001F.MP4 +R");
    }
    void nameFittedToItsCell()
    {
        QFETCH(QString, name);
        QFETCH(QString, mark);
        QFETCH(int, width);
        QFETCH(QString, shown);
        QCOMPARE(URecordingText::FitName(name, mark, Width(width)), shown);
    }
};

QTEST_GUILESS_MAIN(TestURecordingText)
#include "tst_urecordingtext.moc"

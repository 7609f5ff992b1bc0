#include <QtTest>
#include <QHeaderView>
#include <QScrollBar>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "screenfaces.h"
#include "widgets/uoverlaylabel.h"
#include "windowparts.h"

namespace {

QRect Geometry(Tracora &w, const char *name)
{
    auto *child = w.findChild<QWidget *>(QLatin1String(name));
    return child ? child->geometry() : QRect();
}

const char *const WidgetNames[] = {
    "Header_Left", "Header_Center", "Header_Right", "GoogleMap", "VideoTimeSlider",
    "VideoVolumnSlider", "AudioIndicator", "CarPosition", "CarPositionNumber", "VideoListLeft",
    "VideoListRight", "CarSpeedMeter", "VideoPre", "VideoNext", "VideoPlay", "VideoStop",
    "VideoListPrePage", "VideoListNextPage", "VideoListItemImport", "VideoListItemDelete",
    "WindowMin", "WindowMax", "WindowClose", "VideoTime", "VideoWindow",
};

} // namespace

class TestTracoraConstruction : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void initTestCase()
    {
        // The map pages and button images are looked up under the working directory.
        QVERIFY(QDir::setCurrent(QStringLiteral(VIALUMO_DEPLOY_DIR)));
    }

    void initialGeometryIsTheExample()
    {
        Tracora w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Vialumo"));
        QCOMPARE(w.minimumSize(), QSize(955, 670));
        QCOMPARE(w.size(), QSize(955, 670));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w.pos(), QPoint((screen.width() - 955) / 2, (screen.height() - 670) / 2));

        QCOMPARE(Geometry(w, "VideoWindow"), QRect(5, 55, 640, 360));
        QCOMPARE(Geometry(w, "GoogleMap"), QRect(650, 55, 300, 360));
        QCOMPARE(Geometry(w, "VideoPre"), QRect(187, 423, 35, 35));
        QCOMPARE(Geometry(w, "VideoPlay"), QRect(267, 423, 35, 35));
        QCOMPARE(Geometry(w, "VideoNext"), QRect(347, 423, 35, 35));
        QCOMPARE(Geometry(w, "VideoStop"), QRect(427, 423, 35, 35));
        QCOMPARE(Geometry(w, "VideoTimeSlider"), QRect(5, 468, 426, 20));
        QCOMPARE(Geometry(w, "VideoVolumnSlider"), QRect(533, 468, 106, 20));
        QCOMPARE(Geometry(w, "AudioIndicator"), QRect(513, 468, 20, 20));
        QCOMPARE(Geometry(w, "VideoListLeft"), QRect(5, 500, 320, 125));
        QCOMPARE(Geometry(w, "VideoListRight"), QRect(325, 500, 320, 125));
        QCOMPARE(Geometry(w, "CarSpeedMeter"), QRect(650, 500, 300, 120));
        QCOMPARE(Geometry(w, "CarPosition"), QRect(650, 415, 300, 40));
        QCOMPARE(Geometry(w, "CarPositionNumber"), QRect(650, 455, 300, 40));
        for (const char *name : {"VideoListItemImport", "VideoListPrePage", "VideoListNextPage", "VideoListItemDelete"})
            QCOMPARE(Geometry(w, name).y(), 630);
        QCOMPARE(Geometry(w, "VideoListItemImport").x(), 187);
        QCOMPARE(Geometry(w, "VideoListItemDelete").x(), 427);
        QCOMPARE(Geometry(w, "WindowMin"), QRect(890, 0, 20, 20));
        QCOMPARE(Geometry(w, "WindowMax"), QRect(910, 0, 20, 20));
        QCOMPARE(Geometry(w, "WindowClose"), QRect(930, 0, 20, 20));
        QCOMPARE(Geometry(w, "VideoTime"), QRect(15, 445, 110, 20));
        QCOMPARE(Geometry(w, "Header_Left"), QRect(0, 0, 327, 50));
        QCOMPARE(Geometry(w, "Header_Center"), QRect(327, 0, 300, 50));
        // An odd width leaves the header's right part one pixel short: x 627 to 953.
        QCOMPARE(Geometry(w, "Header_Right"), QRect(627, 0, 327, 50));
        QCOMPARE(w.findChild<QWidget *>(QStringLiteral("VideoWindow"))->minimumSize(), QSize(640, 360));
    }

    void growingMovesOnlyWhatShould_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wider and taller") << QSize(1280, 900);
        QTest::newRow("odd width") << QSize(1001, 671);
        QTest::newRow("only taller") << QSize(955, 1000);
    }
    void growingMovesOnlyWhatShould()
    {
        QFETCH(QSize, size);
        Tracora w;
        const QSize old = w.size();
        w.resize(size);
        // A hidden window gets its resize event when shown: send it now.
        QResizeEvent resized(size, old);
        QCoreApplication::sendEvent(&w, &resized);
        const int W = size.width(), H = size.height();
        const int dw = W - 955, dh = H - 670;

        // Fixed-width parts keep their widths and a 5 px margin at the right.
        for (const char *name : {"GoogleMap", "CarSpeedMeter", "CarPosition", "CarPositionNumber"}) {
            QCOMPARE(Geometry(w, name).width(), 300);
            QCOMPARE(Geometry(w, name).right(), W - 6);
        }
        QCOMPARE(Geometry(w, "WindowClose").right(), W - 6);
        // The video column takes all the extra width and height.
        QCOMPARE(Geometry(w, "VideoWindow"), QRect(5, 55, 640 + dw, 360 + dh));
        QCOMPARE(Geometry(w, "GoogleMap").height(), 360 + dh);
        // Everything under the video keeps its distance from the bottom edge.
        QCOMPARE(Geometry(w, "VideoListLeft").bottom(), H - 46);
        QCOMPARE(Geometry(w, "CarSpeedMeter").bottom(), H - 51);
        QCOMPARE(Geometry(w, "VideoTimeSlider").y(), H - 202);
        QCOMPARE(Geometry(w, "VideoPlay").y(), H - 247);
        QCOMPARE(Geometry(w, "VideoListNextPage").y(), H - 40);
        // The two tables share the video column's width.
        const int K = W - 315;
        QCOMPARE(Geometry(w, "VideoListLeft").width(), K / 2);
        QCOMPARE(Geometry(w, "VideoListRight").x(), K / 2 + 5);
        QVERIFY(Geometry(w, "VideoListRight").right() <= 5 + K - 1);
        // The title band: the centre part stays 300 wide in the middle.
        QCOMPARE(Geometry(w, "Header_Center").width(), 300);
        QCOMPARE(Geometry(w, "Header_Left").width() + 300 + Geometry(w, "Header_Right").width(),
                 W - (W % 2));
        QCOMPARE(Geometry(w, "Header_Right").right(), W - 1 - (W % 2));
        // The buttons stay centred under the video column.
        const int C = (W - 350) / 2;
        QCOMPARE(Geometry(w, "VideoPlay").x(), C - 35);
        QCOMPARE(Geometry(w, "VideoListItemDelete").x(), C + 125);
    }

    void objectNamesAndStacking()
    {
        Tracora w;
        for (const char *name : WidgetNames)
            QVERIFY2(w.findChild<QWidget *>(QLatin1String(name)), name);

        // The video surface lies above every sibling but the texts shown over
        // it (the key help, notes, the import's and the export's progress), hidden
        // until shown.
        QWidget *last = nullptr;
        QStringList above;
        for (QObject *child : w.children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (!widget || widget->isWindow())
                continue;
            if (last && last->objectName() == QStringLiteral("VideoWindow")
                && qobject_cast<UOverlayLabel *>(widget)) {
                QVERIFY(widget->isHidden());
                above << widget->objectName();
                continue;
            }
            last = widget;
        }
        QCOMPARE(last->objectName(), QStringLiteral("VideoWindow"));
        QCOMPARE(above, QStringList({"KeyHelp", "Note", "ImportProgress", "ExportProgress"}));
        WindowParts parts(w);
        QVERIFY(parts.Complete());
        parts.Video->setGeometry(0, 0, w.width(), w.height());
        QCOMPARE(w.childAt(Geometry(w, "CarSpeedMeter").center()), parts.Video);
        QCOMPARE(w.childAt(QPoint(900, 5)), parts.Video);

        // No button and no table ever takes the keyboard focus.
        for (QPushButton *button : w.findChildren<QPushButton *>())
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QCOMPARE(parts.TimeLabel->text(), QStringLiteral("00:00:00/00:00:00"));
        QVERIFY(!parts.UpdateTimer->isActive());
        QVERIFY(!parts.FallbackTimer->isActive());
        // The first page, no recording chosen, the normal window: both
        // two-state buttons show their first face.
        QCOMPARE(parts.Left->currentRow(), -1);
        QCOMPARE(parts.Right->currentRow(), -1);
        QCOMPARE(parts.Wrapper->GetIndex(), -1);
        QVERIFY(parts.ShowsPlayFace());
        QCOMPARE(parts.Max->objectName(), QStringLiteral("WindowMax"));
        QVERIFY(!w.isFullScreen());
        QVERIFY(!VideoFullScreen);
        QCOMPARE(parts.TimeSlider->maximum(), 1000);
        QCOMPARE(parts.VolumeSlider->maximum(), 100);
        QCOMPARE(parts.VolumeSlider->value(), 50);
        QVERIFY(parts.Map->settings()->testAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls));
        // The tile service asks applications to name themselves.
        QCOMPARE(parts.Map->page()->profile()->httpUserAgent(), QStringLiteral("Vialumo/1.0.0"));
        QVERIFY(parts.Map->url().toLocalFile().endsWith(QStringLiteral("/images/startupp.html")));
        QVERIFY(QFileInfo(parts.Map->url().toLocalFile()).isAbsolute());
        QVERIFY(w.testAttribute(Qt::WA_MouseTracking));
        QVERIFY(!parts.Video->isWindow());
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    }

    void tablesAreSetUp()
    {
        Tracora w;
        WindowParts parts(w);
        const QStringList headers = {"File Name", "Date", "Time", "GPS File"};
        for (QTableWidget *table : {parts.Left, parts.Right}) {
            QCOMPARE(table->rowCount(), 5);
            QCOMPARE(table->columnCount(), 4);
            for (int c = 0; c < 4; ++c) {
                QCOMPARE(table->horizontalHeaderItem(c)->text(), headers.at(c));
                for (int r = 0; r < 5; ++r) {
                    QVERIFY(table->item(r, c));
                    QVERIFY(table->item(r, c)->text().isEmpty());
                }
            }
            for (int r = 0; r < 5; ++r)
                QCOMPARE(table->rowHeight(r), 20);
            for (int c = 0; c < 3; ++c)
                QCOMPARE(table->columnWidth(c), 80);
            QVERIFY(table->horizontalHeader()->stretchLastSection());
            QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
            QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
            QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
            QCOMPARE(table->focusPolicy(), Qt::NoFocus);
            QVERIFY(table->verticalHeader()->isHidden());
            QCOMPARE(table->gridStyle(), Qt::DashDotDotLine);
        }
        QCOMPARE(parts.Left->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(parts.Left->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QCOMPARE(parts.Right->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(parts.Right->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    }

    void connectionsMadeAtConstruction()
    {
        Tracora w;
        WindowParts parts(w);
        QVERIFY(parts.Complete());
        auto *wrapper = parts.Wrapper;
        auto button = [&](const char *name) { return w.findChild<QPushButton *>(QLatin1String(name)); };

        // disconnect() tells whether the connection existed.
        QVERIFY(QObject::disconnect(parts.TimeSlider, &QSlider::sliderMoved, wrapper, &UVlcWrapper::SetPosition));
        QVERIFY(QObject::disconnect(parts.VolumeSlider, &QSlider::sliderMoved, wrapper, &UVlcWrapper::SetVolume));
        // Values set from code neither seek nor change the volume.
        QVERIFY(!QObject::disconnect(parts.TimeSlider, &QSlider::valueChanged, wrapper, &UVlcWrapper::SetPosition));
        QVERIFY(!QObject::disconnect(parts.VolumeSlider, &QSlider::valueChanged, wrapper, &UVlcWrapper::SetVolume));
        QVERIFY(QObject::disconnect(button("VideoPlay"), &QPushButton::clicked, wrapper, &UVlcWrapper::Pause));
        QVERIFY(QObject::disconnect(button("VideoStop"), &QPushButton::clicked, wrapper, &UVlcWrapper::Stop));
        QVERIFY(QObject::disconnect(parts.Files, &UVideoAndGpsfiles::VideoAdded, wrapper, &UVlcWrapper::AddMedia));
        QVERIFY(QObject::disconnect(parts.Files, &UVideoAndGpsfiles::VideoDeleted, wrapper, &UVlcWrapper::RemoveMedia));
    }

    void buttonsAndTablesActOnTheWindow()
    {
        Tracora w;
        WindowParts parts(w);
        w.setStyleSheet(AppStyleSheet());
        w.setObjectName(QStringLiteral("Tracora"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // The four columns fit the table: no scroll bar hides its last row.
        for (QTableWidget *table : {parts.Left, parts.Right}) {
            QVERIFY(!table->horizontalScrollBar()->isVisible());
        }

        // The play button flips its face even with nothing to play.
        QTest::mouseClick(parts.Play, Qt::LeftButton);
        QCOMPARE(parts.Play->objectName(), QStringLiteral("VideoPause"));

        // A click in one table clears the other's current row.
        parts.Right->setCurrentCell(2, 0);
        const QRect cell = parts.Left->visualRect(parts.Left->model()->index(1, 0));
        QTest::mouseClick(parts.Left->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(parts.Right->currentRow(), -1);
        QCOMPARE(parts.Left->currentRow(), 1);
        QTest::mouseClick(parts.Right->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(parts.Left->currentRow(), -1);

        // The double-click on the video surface reaches the full-screen slot.
        QVERIFY(!VideoFullScreen);
        emit parts.Video->doubleclicked();
        QVERIFY(VideoFullScreen);
        emit parts.Video->doubleclicked();
        QVERIFY(!VideoFullScreen);

        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("WindowClose")), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void videoSurfaceShowsTheSplashOnScreen()
    {
        // The native video surface is flushed like the rest of the window: on
        // screen it must show the splash picture, not stale or black pixels.
        Tracora w;
        WindowParts parts(w);
        w.setStyleSheet(AppStyleSheet());
        w.setObjectName(QStringLiteral("Tracora"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(500);
        const int difference = SurfaceDifferenceFromSplash(&w, parts.Video);
        QVERIFY2(difference < 40, qPrintable(QString::number(difference)));
    }

    void renamedButtonDrawsTheOtherFace()
    {
        Tracora w;
        WindowParts parts(w);
        w.setStyleSheet(AppStyleSheet());
        w.setObjectName(QStringLiteral("Tracora"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QPushButton *button = parts.Max;
        const QSize size = button->size();
        const QImage maxFace(QStringLiteral(":/images/Window_Max.png"));
        const QImage normalFace(QStringLiteral(":/images/Window_Normal.png"));
        QVERIFY2(Difference(maxFace, normalFace, size) > 10, "the two faces' artwork must differ");

        const QImage before = button->grab().toImage();
        button->setObjectName(QStringLiteral("WindowNormal"));
        button->setStyleSheet(QStringLiteral("#WindowMax {}")); // makes the button take its style anew
        const QImage after = button->grab().toImage();

        QVERIFY(Difference(before, maxFace, size) < Difference(before, normalFace, size));
        QVERIFY(Difference(after, normalFace, size) < Difference(after, maxFace, size));
    }
};

QTEST_MAIN(TestTracoraConstruction)
#include "tst_tracora_construction.moc"

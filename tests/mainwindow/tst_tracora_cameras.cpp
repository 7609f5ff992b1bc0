// Recordings of several cameras in the real window: the tiles and their
// layouts, V, a click on a tile for the large camera, video full screen
// keeping the layout, cameras that cannot play or have no recording
// labelled while the others play, six cameras with one missing, a snapshot
// per camera, and what the keys set kept for the next recording, with a
// recording of one camera (no tile) between.
// The catalogue entries are made as the import makes them, with their
// cameras filled in.
#include <QtTest>

#include "mapfixture.h"
#include "widgets/uoverlaylabel.h"
#include "widgets/uvideotile.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

// Twelve seconds: no recording ends while a test acts on it.
const QString Front = QStringLiteral(VIALUMO_TESTDATA_DIR "/drive12s.MOV");
const QString Rear = QStringLiteral(VIALUMO_TESTDATA_DIR "/rear12s.MOV");
const QString ShortRear = QStringLiteral(VIALUMO_TESTDATA_DIR "/rear1s.MOV");
constexpr int PlayTimeoutMs = 30000;
const QColor RearRed(176, 32, 32);

struct Session
{
    Workspace Space;
    Tracora Window;
    WindowParts Parts{Window};
    UOverlayLabel *Note = Window.findChild<UOverlayLabel *>(QStringLiteral("Note"));

    Session()
    {
        Window.show();
        (void)QTest::qWaitForWindowExposed(&Window);
    }

    // A recording CLIPnnnn.MOV (a copy of the front clip) with these cameras
    // besides it, listed as the import lists it.
    void Add(int Number, const QList<UCameraFile> &Others)
    {
        const QString video = Space.AddRecording(Number, Front, nullptr);
        VideoAndGpsfile entry = UVideoAndGpsfiles::RateVideo(video);
        if (!Others.isEmpty()) {
            entry.Cameras << UCameraFile{UCameraRole::Front, video};
            entry.Cameras << Others;
        }
        Parts.Files->AppendRated({entry});
        Parts.PreviousPage->click();
    }

    bool Play(int Index)
    {
        WindowParts::DoubleClickRow(Index < 5 ? Parts.Left : Parts.Right, Index % 5);
        return QTest::qWaitFor([&] { return Parts.PlayingIndex(Index); }, PlayTimeoutMs);
    }

    UVideoTile *Tile(int Camera) const
    {
        return Window.findChild<UVideoTile *>(QStringLiteral("VideoTile%1").arg(Camera));
    }

    bool Shown(int Camera) const { return Tile(Camera) && Tile(Camera)->isVisible(); }

    // Where the tile lies in the video surface.
    QRect Place(int Camera) const { return Tile(Camera)->geometry(); }

    QImage Grab(int Camera) const { return Tile(Camera)->screen()->grabWindow(Tile(Camera)->winId()).toImage(); }

    void ClickTile(int Camera)
    {
        QTest::mouseClick(Tile(Camera), Qt::LeftButton, Qt::NoModifier, Tile(Camera)->rect().center());
        // A click is one once no second click can follow.
        QTest::qWait(QApplication::doubleClickInterval() + 100);
    }
};

double ShareOf(const QImage &Image, const QColor &Colour)
{
    int close = 0;
    int sampled = 0;
    for (int y = 0; y < Image.height(); y += 5) {
        for (int x = 0; x < Image.width(); x += 5) {
            const QColor pixel = Image.pixelColor(x, y);
            if (qAbs(pixel.red() - Colour.red()) < 40 && qAbs(pixel.green() - Colour.green()) < 40
                && qAbs(pixel.blue() - Colour.blue()) < 40)
                ++close;
            ++sampled;
        }
    }
    return sampled ? double(close) / sampled : 0.0;
}

// Light pixels: letters over a black tile.
int LightPixels(const QImage &Image)
{
    int light = 0;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            light += qGray(Image.pixel(x, y)) > 160 ? 1 : 0;
    return light;
}

} // namespace

class TestTracoraCameras : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        Tracora::PrepareApplication();
        // Snapshots go to the test's own folder.
        static QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    }

private slots:
    void init() { QDir(qEnvironmentVariable("HOME") + "/Pictures").removeRecursively(); }

    // Picture in picture first, V to side by side and back, a click on the
    // inset makes the rear camera the large one, and video full screen keeps
    // the layout on the whole window.
    void twoCamerasInTheirLayouts()
    {
        Session s;
        s.Add(1, {{UCameraRole::Rear, Rear}});
        QVERIFY(s.Play(0));
        const QRect surface = s.Parts.Video->rect();
        QVERIFY(s.Shown(0) && s.Shown(1));
        QVERIFY(!s.Tile(2) || !s.Shown(2));
        QCOMPARE(s.Place(0), surface);
        QCOMPARE(s.Place(1).size(), QSize(surface.width() / 4, surface.height() / 4));
        QVERIFY(s.Place(1).right() > surface.width() * 7 / 8 && s.Place(1).bottom() > surface.height() * 7 / 8);
        // The rear camera's picture is in its inset, the front's is not red.
        QVERIFY(QTest::qWaitFor([&] { return ShareOf(s.Grab(1), RearRed) > 0.5; }, PlayTimeoutMs));
        QVERIFY(ShareOf(s.Grab(0), RearRed) < 0.2);

        QTest::keyClick(&s.Window, Qt::Key_V);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Side by side"));
        QCOMPARE(s.Place(0), QRect(0, 0, surface.width() / 2, surface.height()));
        QCOMPARE(s.Place(1), QRect(surface.width() / 2, 0, surface.width() - surface.width() / 2, surface.height()));
        QTest::keyClick(&s.Window, Qt::Key_V);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Picture in picture"));
        QCOMPARE(s.Place(0), surface);

        s.ClickTile(1);
        QCOMPARE(s.Place(1), surface);
        QCOMPARE(s.Place(0).size(), QSize(surface.width() / 4, surface.height() / 4));
        QVERIFY(QTest::qWaitFor([&] { return ShareOf(s.Grab(1), RearRed) > 0.5; }, PlayTimeoutMs));
        // A click on the large tile changes nothing.
        s.ClickTile(1);
        QCOMPARE(s.Place(1), surface);

        // A double-click on a tile is the surface's: video full screen, the
        // layout kept on the whole window, and no tile chosen by it.
        QTest::mouseDClick(s.Tile(0), Qt::LeftButton, Qt::NoModifier, s.Tile(0)->rect().center());
        QTRY_VERIFY(VideoFullScreen);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QCOMPARE(s.Parts.Video->size(), s.Window.size());
        QCOMPARE(s.Place(1), s.Parts.Video->rect());
        QCOMPARE(s.Place(0).size(), QSize(s.Window.width() / 4, s.Window.height() / 4));
        QTest::keyClick(&s.Window, Qt::Key_F);
        QTRY_VERIFY(!VideoFullScreen);
        QCOMPARE(s.Place(1), s.Parts.Video->rect());
    }

    // A camera file the engine cannot play (empty, cut before its index) is
    // labelled over black, one that ends before the front's or is gone from
    // the card says it has no recording; the front and the other camera
    // play on.
    void badCameraFilesAreLabelled()
    {
        Session s;
        const QString empty = s.Space.Root.filePath(QStringLiteral("empty.MOV"));
        QFile(empty).open(QIODevice::WriteOnly);
        const QString cut = s.Space.Root.filePath(QStringLiteral("cut.MOV"));
        {
            QFile source(Rear);
            QVERIFY(source.open(QIODevice::ReadOnly));
            QFile file(cut);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(source.read(source.size() / 3));
        }
        s.Add(1, {{UCameraRole::Rear, empty},
                  {UCameraRole::Interior, cut},
                  {UCameraRole::Left, ShortRear},
                  {UCameraRole::Right, s.Space.Root.filePath(QStringLiteral("gone.MOV"))},
                  {UCameraRole::Telephoto, Rear}});
        QVERIFY(s.Play(0));
        const QStringList labels{QString(), "Rear: cannot play", "Interior: cannot play", "Left: no recording",
                                 "Right: no recording", QString()};
        QVERIFY2(QTest::qWaitFor([&] {
            for (int camera = 0; camera < labels.size(); ++camera) {
                if (s.Tile(camera)->Label() != labels.at(camera))
                    return false;
            }
            return true;
        }, PlayTimeoutMs),
                 qPrintable(s.Tile(1)->Label() + " | " + s.Tile(2)->Label() + " | " + s.Tile(3)->Label() + " | "
                            + s.Tile(4)->Label() + " | " + s.Tile(5)->Label()));
        QVERIFY(s.Parts.PlayingIndex(0));
        // The words are on the screen, over black; the telephoto plays.
        QTest::keyClick(&s.Window, Qt::Key_V);
        QCOMPARE(s.Note->FullText(), QStringLiteral("3×2"));
        QVERIFY(QTest::qWaitFor([&] {
            const QImage tile = s.Grab(1);
            return LightPixels(tile) > 30 && ShareOf(tile, Qt::black) > 0.8;
        }, 5000));
        // Letterboxed in its tile: a third of it is the picture.
        QVERIFY(QTest::qWaitFor([&] { return ShareOf(s.Grab(5), RearRed) > 0.25; }, PlayTimeoutMs));
    }

    // Six cameras, one of them without its file: five play, the sixth says so.
    void sixCamerasOneMissing()
    {
        Session s;
        s.Add(1, {{UCameraRole::Rear, Rear},
                  {UCameraRole::Left, Rear},
                  {UCameraRole::Right, Rear},
                  {UCameraRole::LeftPillar, s.Space.Root.filePath(QStringLiteral("gone.mp4"))},
                  {UCameraRole::RightPillar, Rear}});
        QVERIFY(s.Play(0));
        QTest::keyClick(&s.Window, Qt::Key_V);
        QCOMPARE(s.Note->FullText(), QStringLiteral("3×2"));
        const QRect surface = s.Parts.Video->rect();
        for (int camera = 0; camera < 6; ++camera) {
            QVERIFY(s.Shown(camera));
            QVERIFY(qAbs(s.Place(camera).width() - surface.width() / 3) <= 1);
            QCOMPARE(s.Place(camera).height(), surface.height() / 2);
        }
        QVERIFY(QTest::qWaitFor([&] { return s.Tile(4)->Label() == QStringLiteral("Left pillar: no recording"); },
                                PlayTimeoutMs));
        QVERIFY(QTest::qWaitFor([&] { return ShareOf(s.Grab(5), RearRed) > 0.25; }, PlayTimeoutMs));
        for (int camera : {0, 1, 2, 3, 5})
            QCOMPARE(s.Tile(camera)->Label(), QString());
        QTest::keyClick(&s.Window, Qt::Key_V);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Picture in picture"));
    }

    // S saves one picture per camera, each at its own size, under one name.
    void snapshotPerCamera()
    {
        Session s;
        s.Add(7, {{UCameraRole::Rear, Rear}});
        QVERIFY(s.Play(0));
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() > 300; }, PlayTimeoutMs));
        QTest::keyClick(&s.Window, Qt::Key_Space);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 10000));
        QTest::keyClick(&s.Window, Qt::Key_S);
        // Taken once every camera stands at the frame the front stopped at.
        QVERIFY2(QTest::qWaitFor([&] { return s.Note->FullText().startsWith("Snapshot"); }, 10000),
                 qPrintable(s.Note->FullText()));
        const QDir pictures(QDir::homePath() + "/Pictures/Vialumo");
        const QStringList made = pictures.entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(made.size(), 2);
        QVERIFY(made.at(0).startsWith("CLIP0007_00-00-0") && made.at(0).endsWith("_front.png"));
        QCOMPARE(made.at(1), QString(made.at(0)).replace("_front.png", "_rear.png"));
        QCOMPARE(QImage(pictures.filePath(made.at(0))).size(), QSize(320, 240));
        QCOMPARE(QImage(pictures.filePath(made.at(1))).size(), QSize(320, 180));
        QCOMPARE(s.Note->FullText(), QStringLiteral("Snapshots saved: ") + made.join(QStringLiteral(", ")));
    }

    // Speed, volume and mute set by the keys hold for the next recording
    // (autoplay, or N), with or without other cameras, and the layout
    // chosen stays.
    void settingsHoldForTheNextRecording()
    {
        Session s;
        s.Add(1, {{UCameraRole::Rear, Rear}});
        s.Add(2, {});
        s.Add(3, {{UCameraRole::Rear, Rear}});
        QVERIFY(s.Play(0));
        QTest::keyClick(&s.Window, Qt::Key_BracketRight);
        QTest::keyClick(&s.Window, Qt::Key_Up);
        QTest::keyClick(&s.Window, Qt::Key_M);
        QTest::keyClick(&s.Window, Qt::Key_V);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Side by side"));
        for (int next : {1, 2}) {
            QTest::keyClick(&s.Window, Qt::Key_N);
            QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(next); }, PlayTimeoutMs));
            if (next == 1) {
                // One camera: no tile, and V leaves everything as it is.
                QVERIFY(!s.Shown(0) && !s.Shown(1));
                const QString note = s.Note->FullText();
                QTest::keyClick(&s.Window, Qt::Key_V);
                QCOMPARE(s.Note->FullText(), note);
                QVERIFY(!s.Shown(0));
            }
            QVERIFY2(QTest::qWaitFor([&] {
                return qAbs(s.Parts.Wrapper->GetRate() - 1.25) < 0.01 && s.Parts.Wrapper->GetVolume() == 55
                    && s.Parts.Wrapper->GetMute() == 1;
            }, 10000),
                     qPrintable(QStringLiteral("recording %1: rate %2 volume %3 mute %4")
                                    .arg(next)
                                    .arg(s.Parts.Wrapper->GetRate())
                                    .arg(s.Parts.Wrapper->GetVolume())
                                    .arg(s.Parts.Wrapper->GetMute())));
        }
        QCOMPARE(s.Parts.VolumeSlider->value(), 55);
        QVERIFY(s.Shown(0) && s.Shown(1));
        QCOMPARE(s.Place(0), QRect(0, 0, s.Parts.Video->width() / 2, s.Parts.Video->height()));
    }
};

QTEST_MAIN(TestTracoraCameras)
#include "tst_tracora_cameras.moc"

// UPlaybackGroup with the real engine: the settings that apply to every
// player kept across recordings, the other cameras drawn into windows of
// their own, a camera that cannot play or has no recording told apart, and
// pause and seeks acting on every camera.
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(UCameraFace)
Q_DECLARE_METATYPE(QList<UCameraFace>)

namespace {

// Twelve seconds: the front plays on while a test looks at the others.
const QString Front = QStringLiteral(VIALUMO_TESTDATA_DIR "/drive12s.MOV");
const QString Rear = QStringLiteral(VIALUMO_TESTDATA_DIR "/rear12s.MOV");
const QString ShortRear = QStringLiteral(VIALUMO_TESTDATA_DIR "/rear1s.MOV");
constexpr int TimeoutMs = 30000;

// A window with one native child per camera, as the video surface's tiles.
struct Windows
{
    QWidget Top;
    QList<QWidget *> Tiles;

    explicit Windows(int count)
    {
        Top.setGeometry(20, 20, 330 * count, 190);
        for (int i = 0; i < count; ++i) {
            auto *tile = new QWidget(&Top);
            tile->setGeometry(5 + 330 * i, 5, 320, 180);
            tile->setAttribute(Qt::WA_NativeWindow);
            Tiles << tile;
        }
        Top.show();
    }
    quintptr Id(int i) const { return quintptr(Tiles.at(i)->winId()); }
};

// The front's wrapper and the group, the group going first as in the window.
struct Players
{
    Windows Surfaces;
    std::unique_ptr<UVlcWrapper> Wrapper = std::make_unique<UVlcWrapper>();
    std::unique_ptr<UPlaybackGroup> Group = std::make_unique<UPlaybackGroup>(Wrapper.get());

    explicit Players(int cameras)
        : Surfaces(cameras)
    {
        Wrapper->SetVideoWindow(Surfaces.Id(0), QGuiApplication::platformName());
    }
    ~Players() { Group.reset(); }

    // Plays Path on the front and Others beside it, as the window does once
    // the map page has loaded, and ticks until all play.
    bool Play(const QString &Path, const QStringList &Others = {})
    {
        Wrapper->AddMedia(Path);
        Wrapper->SetIndex(Wrapper->GetIndex() + 1);
        QList<UGroupCamera> cameras;
        for (int i = 0; i < Others.size(); ++i)
            cameras << UGroupCamera{Others.at(i), Surfaces.Id(i + 1)};
        Group->Stop();
        Wrapper->Stop();
        Group->SetOtherCameras(cameras);
        if (Wrapper->PlayAtIndex() != 0)
            return false;
        Group->Start();
        return Tick([this] { return Group->GetState() == UVlcWrapper::StatePlaying; });
    }

    // Turns the event loop with a display tick every 250 ms until Done.
    template<typename F> bool Tick(F Done, int Ms = TimeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < Ms) {
            Group->KeepInStep();
            if (Done())
                return true;
            QTest::qWait(250);
        }
        return false;
    }
};

QImage Grab(QWidget *Tile)
{
    return Tile->screen()->grabWindow(Tile->winId()).toImage();
}

// Share of sampled pixels of a grab close to a colour.
double ShareOf(const QImage &Image, const QColor &Colour)
{
    int close = 0;
    int sampled = 0;
    for (int y = 0; y < Image.height(); y += 6) {
        for (int x = 0; x < Image.width(); x += 6) {
            const QColor pixel = Image.pixelColor(x, y);
            if (qAbs(pixel.red() - Colour.red()) < 40 && qAbs(pixel.green() - Colour.green()) < 40
                && qAbs(pixel.blue() - Colour.blue()) < 40)
                ++close;
            ++sampled;
        }
    }
    return sampled ? double(close) / sampled : 0.0;
}

} // namespace

class TestUPlaybackGroup : public QObject
{
    Q_OBJECT
    QTemporaryDir Dir;

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(QFile::exists(Front) && QFile::exists(Rear) && QFile::exists(ShortRear));
        QVERIFY(Dir.isValid());
    }

    // Speed, volume and mute chosen once hold for every recording that
    // follows, with or without other cameras, without the window applying
    // them again.
    void settingsHoldAcrossRecordings()
    {
        Players p(2);
        p.Group->SetRate(1.5);
        p.Group->SetVolume(40);
        p.Group->SetMute(true);
        for (const QStringList &others : {QStringList(), QStringList{Rear}}) {
            QVERIFY(p.Play(Front, others));
            QVERIFY2(p.Tick([&] {
                return qAbs(p.Wrapper->GetRate() - 1.5) < 0.01 && p.Wrapper->GetVolume() == 40
                    && p.Wrapper->GetMute() == 1;
            }),
                     qPrintable(QStringLiteral("rate %1 volume %2 mute %3")
                                    .arg(p.Wrapper->GetRate())
                                    .arg(p.Wrapper->GetVolume())
                                    .arg(p.Wrapper->GetMute())));
            QCOMPARE(p.Group->OtherCount(), int(others.size()));
        }
        p.Group->SetRate(1.0);
        p.Group->SetMute(false);
        QVERIFY(p.Tick([&] { return qAbs(p.Wrapper->GetRate() - 1.0) < 0.01 && p.Wrapper->GetMute() == 0; }));
    }

    // The other camera draws into its own window, the front into its own.
    void eachCameraDrawsIntoItsWindow()
    {
        Players p(2);
        QVERIFY(p.Play(Front, {Rear}));
        QVERIFY(p.Tick([&] { return p.Group->Face(1) == UCameraFace::Playing; }));
        QVERIFY(p.Tick([&] { return ShareOf(Grab(p.Surfaces.Tiles.at(1)), QColor(176, 32, 32)) > 0.5; }, 10000));
        QVERIFY(ShareOf(Grab(p.Surfaces.Tiles.at(0)), QColor(176, 32, 32)) < 0.2);
        QCOMPARE(p.Group->Face(0), UCameraFace::Playing);
        int displayed = 0;
        int lost = 0;
        QVERIFY(p.Tick([&] { return p.Group->PictureCounts(1, &displayed, &lost) && displayed > 0; }));
        QVERIFY(p.Group->PictureCounts(0, &displayed, &lost));
        QVERIFY(!p.Group->PictureCounts(2, &displayed, &lost));
    }

    // Bad camera files, several in one recording: each gets its face, and
    // the front and the good camera play on.
    void camerasThatCannotPlay_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QList<UCameraFace>>("faces");
        using F = UCameraFace;
        QTest::newRow("unplayable") << QStringList{"empty", "cut", "text", "good"}
                                    << QList<F>{F::CannotPlay, F::CannotPlay, F::CannotPlay, F::Playing};
        QTest::newRow("absent") << QStringList{"missing", "none", "short", "good"}
                                << QList<F>{F::NoRecording, F::NoRecording, F::NoRecording, F::Playing};
    }
    void camerasThatCannotPlay()
    {
        QFETCH(QStringList, kinds);
        QFETCH(QList<UCameraFace>, faces);
        QStringList paths;
        for (const QString &kind : kinds) {
            QString path = Dir.filePath(kind + QStringLiteral(".MOV"));
            if (kind == QLatin1String("empty")) {
                QFile(path).open(QIODevice::WriteOnly);
            } else if (kind == QLatin1String("cut")) {
                // The index of a QuickTime file written by ffmpeg lies at its end.
                QFile source(Rear);
                QVERIFY(source.open(QIODevice::ReadOnly));
                QFile cut(path);
                QVERIFY(cut.open(QIODevice::WriteOnly));
                cut.write(source.read(source.size() / 2));
            } else if (kind == QLatin1String("text")) {
                QFile text(path);
                QVERIFY(text.open(QIODevice::WriteOnly));
                text.write("not a video\n");
            } else if (kind == QLatin1String("none")) {
                path.clear();
            } else if (kind == QLatin1String("short")) {
                path = ShortRear; // ends a second in, while the front plays on
            } else if (kind == QLatin1String("good")) {
                path = Rear;
            }
            paths << path;
        }
        Players p(int(kinds.size()) + 1);
        QVERIFY(p.Play(Front, paths));
        const auto faced = [&] {
            for (int i = 0; i < faces.size(); ++i) {
                if (p.Group->Face(i + 1) != faces.at(i))
                    return false;
            }
            return true;
        };
        QVERIFY2(p.Tick(faced), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                               .arg(int(p.Group->Face(1)))
                                               .arg(int(p.Group->Face(2)))
                                               .arg(int(p.Group->Face(3)))
                                               .arg(int(p.Group->Face(4)))));
        QCOMPARE(p.Group->GetState(), int(UVlcWrapper::StatePlaying));
        QCOMPARE(p.Group->Face(0), UCameraFace::Playing);
        // A snapshot of a camera without a picture is none; the good one's is
        // at its own size, once its first picture is out.
        QVERIFY(!p.Group->TakeSnapshot(1, Dir.filePath(QStringLiteral("bad.png"))));
        const QString good = Dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".png"));
        QVERIFY(p.Tick([&] { return p.Group->TakeSnapshot(4, good); }));
        QCOMPARE(QImage(good).size(), QSize(320, 180));
    }

    // A camera whose file ended early plays again when the front goes back
    // to where it has pictures.
    void aShortCameraComesBackWithASeek()
    {
        Players p(2);
        QVERIFY(p.Play(Front, {ShortRear}));
        QVERIFY(p.Tick([&] { return p.Group->Face(1) == UCameraFace::NoRecording; }));
        QVERIFY(p.Group->SeekTo(100));
        QVERIFY(p.Tick([&] { return p.Group->Face(1) == UCameraFace::Playing; }));
    }

    // The play/pause button pauses and resumes every camera; seeks and frame
    // steps while paused keep them paused.
    void pauseAndSeekActOnEveryCamera()
    {
        Players p(2);
        QVERIFY(p.Play(Front, {Rear}));
        QVERIFY(p.Tick([&] { return p.Group->Face(1) == UCameraFace::Playing; }));
        p.Group->PauseClicked();
        p.Wrapper->Pause();
        QVERIFY(p.Tick([&] { return p.Group->GetState() == UVlcWrapper::StatePaused; }));
        QVERIFY(p.Group->SeekTo(1500));
        QVERIFY(p.Group->StepFrame(1));
        QVERIFY(p.Group->StepFrame(-1));
        QTest::qWait(500);
        p.Group->KeepInStep();
        QCOMPARE(p.Group->GetState(), int(UVlcWrapper::StatePaused));
        QVERIFY(p.Tick([&] { return qAbs(p.Wrapper->GetTime() - 1500) < 100; }));
        p.Group->PauseClicked();
        p.Wrapper->Pause();
        QVERIFY(p.Tick([&] { return p.Group->GetState() == UVlcWrapper::StatePlaying; }));
        // A frame step asks for a pause first.
        QVERIFY(!p.Group->StepFrame(1));
        p.Group->Stop();
        p.Wrapper->Stop();
    }

    // Without other cameras the group only passes seeks to the front, and
    // frame steps are the window's own.
    void aloneTheFrontIsAsItWas()
    {
        Players p(1);
        QVERIFY(!p.Group->SeekTo(1000)); // nothing has played
        QVERIFY(p.Play(Front));
        QVERIFY(p.Group->SeekTo(1000));
        QVERIFY(!p.Group->StepFrame(1));
        QCOMPARE(p.Group->Face(1), UCameraFace::Waiting);
        QVERIFY(!p.Group->TakeSnapshot(3, Dir.filePath(QStringLiteral("none.png"))));
    }
};

QTEST_MAIN(TestUPlaybackGroup)
#include "tst_uplaybackgroup.moc"

// UVlcWrapper with the real engine playing real clips into a real X window.

#include "playback/uvlcwrapper.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace {

const QString kClip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");
const QString kBars = QStringLiteral(VIALUMO_TESTDATA_DIR "/bars3s.MOV");
constexpr int kClipWidth = 320;
constexpr int kClipHeight = 240;
constexpr int kTimeoutMs = 30000;
// Far from any colour of the test clips.
const QColor kBackground(200, 120, 40);

// Stands in for the program's video surface: a native child window with a
// style-sheet background, counting the mouse input that reaches it.
class Surface : public QWidget
{
public:
    explicit Surface(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("VideoWindow"));
        setAttribute(Qt::WA_StyledBackground);
        setStyleSheet(QStringLiteral("#VideoWindow { background: %1; }").arg(kBackground.name()));
    }
    int Presses = 0;
    int DoubleClicks = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++Presses; }
    void mouseDoubleClickEvent(QMouseEvent *) override { ++DoubleClicks; }
};

// Share of sampled pixels that show the surface's own background.
double BackgroundShare(const QImage &image)
{
    int background = 0;
    int sampled = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - kBackground.red()) < 16 && qAbs(pixel.green() - kBackground.green()) < 16
                && qAbs(pixel.blue() - kBackground.blue()) < 16)
                ++background;
            ++sampled;
        }
    }
    return sampled ? double(background) / sampled : 1.0;
}

int DistinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

} // namespace

class TestUVlcWrapper : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> Window;
    Surface *VideoSurface = nullptr;
    QTemporaryDir Dir;

    QImage GrabSurface() const
    {
        return QGuiApplication::primaryScreen()->grabWindow(VideoSurface->winId()).toImage();
    }

    std::unique_ptr<UVlcWrapper> WrapperOn(const QStringList &paths)
    {
        auto wrapper = std::make_unique<UVlcWrapper>();
        wrapper->SetVideoWindow(VideoSurface->winId(), QGuiApplication::platformName());
        for (const QString &path : paths)
            wrapper->AddMedia(path);
        wrapper->SetIndex(0);
        return wrapper;
    }

    static bool WaitForState(UVlcWrapper &wrapper, int state)
    {
        return QTest::qWaitFor([&] { return wrapper.GetState() == state; }, kTimeoutMs);
    }

    static bool WaitUntilPlaying(UVlcWrapper &wrapper)
    {
        return QTest::qWaitFor([&] { return wrapper.GetState() == UVlcWrapper::StatePlaying && wrapper.GetLength() > 0; },
                               kTimeoutMs);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(QFile::exists(kClip));
        QVERIFY(QFile::exists(kBars));
        QVERIFY(Dir.isValid());

        Window = std::make_unique<QWidget>();
        Window->setGeometry(40, 40, kClipWidth, kClipHeight);
        VideoSurface = new Surface(Window.get());
        VideoSurface->setGeometry(0, 0, kClipWidth, kClipHeight);
        VideoSurface->winId(); // a native child, as the engine draws into it
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    }

    void cleanupTestCase() { Window.reset(); }

    void drawsIntoTheSurface()
    {
        // Before any play the surface shows its own background, so the grab works.
        QVERIFY(QTest::qWaitFor([&] { return BackgroundShare(GrabSurface()) > 0.9; }, kTimeoutMs));

        auto wrapper = WrapperOn({kClip});
        QCOMPARE(wrapper->GetState(), UVlcWrapper::StateIdle);
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
        QCOMPARE(wrapper->GetLength() / 1000, 3);

        QImage picture;
        const bool shown = QTest::qWaitFor(
            [&] {
                picture = GrabSurface();
                return BackgroundShare(picture) < 0.1 && DistinctColours(picture) > 20;
            },
            kTimeoutMs);
        const QString shot = Dir.filePath(QStringLiteral("surface.png"));
        if (!shown && picture.save(shot))
            Dir.setAutoRemove(false); // left for a look at what the surface showed
        QVERIFY2(shown, qPrintable(QStringLiteral("background share %1, %2 colours; see %3")
                                       .arg(BackgroundShare(picture))
                                       .arg(DistinctColours(picture))
                                       .arg(shot)));
    }

    void mouseOverThePictureReachesTheSurface()
    {
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool.isEmpty())
            QSKIP("xdotool is not installed");

        auto wrapper = WrapperOn({kClip});
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
        wrapper->Pause(); // keeps the picture up however slow the click is
        QVERIFY(WaitForState(*wrapper, UVlcWrapper::StatePaused));

        VideoSurface->Presses = 0;
        VideoSurface->DoubleClicks = 0;
        const QPoint centre = VideoSurface->mapToGlobal(VideoSurface->rect().center());
        QProcess click;
        click.start(xdotool, {QStringLiteral("mousemove"), QString::number(centre.x()),
                              QString::number(centre.y()), QStringLiteral("click"),
                              QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
                              QStringLiteral("60"), QStringLiteral("1")});
        QVERIFY(click.waitForFinished(kTimeoutMs));
        QCOMPARE(click.exitCode(), 0);
        QVERIFY(QTest::qWaitFor([&] { return VideoSurface->DoubleClicks > 0; }, kTimeoutMs));
        QVERIFY(VideoSurface->Presses > 0);
    }

    void pauseSeekVolumeStop()
    {
        auto wrapper = WrapperOn({kClip});
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
        const qint64 length = wrapper->GetLength();

        wrapper->Pause();
        QVERIFY(WaitForState(*wrapper, UVlcWrapper::StatePaused));

        // Paused, time moves only by seeking: first near the end, then to the middle.
        wrapper->SetPosition(900);
        QVERIFY(QTest::qWaitFor([&] { return wrapper->GetTime() >= length * 8 / 10; }, kTimeoutMs));
        wrapper->SetPosition(500);
        QVERIFY2(QTest::qWaitFor([&] { return qAbs(wrapper->GetTime() - length / 2) <= length / 10; },
                                 kTimeoutMs),
                 qPrintable(QStringLiteral("time %1 of %2").arg(wrapper->GetTime()).arg(length)));

        QCOMPARE(wrapper->SetVolume(30), 0);
        QVERIFY(QTest::qWaitFor([&] { return wrapper->GetVolume() == 30; }, kTimeoutMs));

        wrapper->Pause();
        QVERIFY(WaitForState(*wrapper, UVlcWrapper::StatePlaying));

        wrapper->Stop();
        QVERIFY(WaitForState(*wrapper, UVlcWrapper::StateStopped));
        QCOMPARE(wrapper->GetIndex(), 0);
    }

    void playsToTheEnd()
    {
        auto wrapper = WrapperOn({kBars});
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
        QVERIFY(WaitForState(*wrapper, UVlcWrapper::StateEnded));
    }

    void nextMediaReplacesThePlayingOne()
    {
        auto wrapper = WrapperOn({kClip, kBars});
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
        QCOMPARE(wrapper->PlayNext(), 0);
        QCOMPARE(wrapper->GetIndex(), 1);
        // The state read now is the new media's, which has to start from scratch.
        QVERIFY(WaitUntilPlaying(*wrapper));
        QCOMPARE(wrapper->PlayPrevious(), 0);
        QCOMPARE(wrapper->GetIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
    }

    void badMediaDoesNotPlay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");

        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(20240607);
        for (char &byte : noise)
            byte = char(generator.generate() & 0xff);

        QTest::newRow("missing") << QStringLiteral("missing/nothing.MOV") << QByteArray();
        QTest::newRow("empty") << QStringLiteral("empty.MOV") << QByteArray("");
        QTest::newRow("random bytes") << QStringLiteral("noise.MOV") << noise;
        QTest::newRow("cut-off clip") << QStringLiteral("cut.MOV") << QByteArray("cut");
    }

    void badMediaDoesNotPlay()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);

        const QString path = Dir.filePath(name);
        if (!content.isNull()) {
            if (content == "cut") {
                QFile clip(kClip);
                QVERIFY(clip.open(QIODevice::ReadOnly));
                content = clip.read(clip.size() / 3);
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        }

        auto wrapper = WrapperOn({path});
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        // The engine settles in ended, stopped or error; a cut-off clip may play
        // what it has first, so only the state it settles in counts.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const int state = wrapper->GetState();
                         return state == UVlcWrapper::StateStopped || state == UVlcWrapper::StateEnded || state == UVlcWrapper::StateError;
                     },
                     kTimeoutMs),
                 qPrintable(QStringLiteral("state %1").arg(wrapper->GetState())));
        QVERIFY(wrapper->GetState() != UVlcWrapper::StatePlaying);
        wrapper->Stop();
    }

    void destroyedWhilePlaying()
    {
        auto wrapper = WrapperOn({kClip, kBars});
        QCOMPARE(wrapper->PlayAtIndex(), 0);
        QVERIFY(WaitUntilPlaying(*wrapper));
        wrapper->Pause();
        wrapper->Pause();
        wrapper.reset();

        // The surface outlives the engine and still shows up.
        Window->update();
        QVERIFY(QTest::qWaitFor([&] { return BackgroundShare(GrabSurface()) > 0.5; }, kTimeoutMs));
    }
};

QTEST_MAIN(TestUVlcWrapper)
#include "tst_uvlcwrapper.moc"

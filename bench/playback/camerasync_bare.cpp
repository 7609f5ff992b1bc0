// The baseline of bench_camerasync: the same cameras' clips played by libvlc
// alone, one player each on one engine, started together and never set to
// one time, side by side where the program's video surface lies, so that the
// benchmark reads them from the screen as it reads the program's tiles.
//
//   camerasync_bare --recording front=A.MP4,rear=B.MP4 [--rate R] [--pictures]
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <vlc/vlc.h>

#include <cstdio>
#include <vector>

namespace {

// The program's window and its video surface at their first size.
constexpr int WindowWidth = 955;
constexpr int WindowHeight = 670;
constexpr int SurfaceX = 5;
constexpr int SurfaceY = 55;
constexpr int SurfaceWidth = 640;
constexpr int SurfaceHeight = 360;
constexpr int StartAfterMs = 1000;
constexpr int PicturesEveryMs = 1000;
const char *const EngineArguments[] = {"-I", "dummy", "--ignore-config"};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption recordingOption(QStringLiteral("recording"), QStringLiteral("role=path,..."),
                                             QStringLiteral("cameras"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Speed."), QStringLiteral("rate"),
                                        QStringLiteral("1"));
    const QCommandLineOption picturesOption(QStringLiteral("pictures"), QStringLiteral("Print picture counts."));
    parser.addOptions({recordingOption, rateOption, picturesOption});
    parser.process(app);
    QStringList paths;
    for (const QString &part : parser.value(recordingOption).split(QLatin1Char(','), Qt::SkipEmptyParts))
        paths << part.section(QLatin1Char('='), 1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "camerasync_bare: --recording role=path,... is needed\n");
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Vialumo bare"));
    window.setFixedSize(WindowWidth, WindowHeight);
    window.setStyleSheet(QStringLiteral("background: black;"));
    std::vector<QWidget *> tiles;
    const int count = int(paths.size());
    for (int i = 0; i < count; ++i) {
        auto *tile = new QWidget(&window);
        const int left = SurfaceWidth * i / count;
        tile->setGeometry(SurfaceX + left, SurfaceY, SurfaceWidth * (i + 1) / count - left, SurfaceHeight);
        tile->setAttribute(Qt::WA_NativeWindow);
        tiles.push_back(tile);
    }
    window.show();

    libvlc_instance_t *engine = libvlc_new(int(std::size(EngineArguments)), EngineArguments);
    if (!engine)
        return 1;
    std::vector<libvlc_media_player_t *> players;
    std::vector<libvlc_media_t *> media;
    for (int i = 0; i < count; ++i) {
        libvlc_media_player_t *player = libvlc_media_player_new(engine);
        libvlc_media_player_set_xwindow(player, uint32_t(tiles[size_t(i)]->winId()));
        libvlc_video_set_mouse_input(player, 0);
        libvlc_video_set_key_input(player, 0);
        libvlc_media_t *item = libvlc_media_new_path(engine, QFile::encodeName(paths.at(i)).constData());
        if (i > 0)
            libvlc_media_add_option(item, ":no-audio");
        libvlc_media_player_set_media(player, item);
        libvlc_media_player_set_rate(player, parser.value(rateOption).toFloat());
        players.push_back(player);
        media.push_back(item);
    }
    QTimer::singleShot(StartAfterMs, &window, [&players] {
        for (libvlc_media_player_t *player : players)
            libvlc_media_player_play(player);
    });
    QTimer pictures;
    if (parser.isSet(picturesOption)) {
        QObject::connect(&pictures, &QTimer::timeout, &window, [&media] {
            for (size_t i = 0; i < media.size(); ++i) {
                libvlc_media_stats_t stats;
                if (libvlc_media_get_stats(media[i], &stats))
                    std::printf("PICTURES %zu %d %d\n", i, stats.i_displayed_pictures, stats.i_lost_pictures);
            }
            std::fflush(stdout);
        });
        pictures.start(PicturesEveryMs);
    }
    const int status = app.exec();
    for (libvlc_media_player_t *player : players) {
        libvlc_media_player_stop(player);
        libvlc_media_player_release(player);
    }
    for (libvlc_media_t *item : media)
        libvlc_media_release(item);
    libvlc_release(engine);
    return status;
}

// The program's window, started as app/main.cpp starts it, with recordings
// of several cameras listed as the import lists them once it has grouped
// their files: for the end-to-end test of cameras played together and its
// benchmark, which drive it from outside (xdotool, screen grabs).
//
//   e2e_camera_window --recording front=A.MP4,rear=B.MP4 [--recording ...]
//                     [--pictures]
//
// Roles are named as `vialumo --list` names them (front, rear, interior,
// telephoto, left, right, left_pillar, right_pillar, other); the first
// file is the recording's own. With --pictures every camera's shown and
// lost pictures are printed once a second ("PICTURES camera shown lost").
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "catalogue/uvideoandgpsfiles.h"
#include "mainwindow/tracora.h"
#include "playback/uplaybackgroup.h"

namespace {

constexpr int PicturesEveryMs = 1000;

bool RoleNamed(const QString &Name, UCameraRole *Role)
{
    for (const UCameraRole role : {UCameraRole::Front, UCameraRole::Rear, UCameraRole::Interior,
                                   UCameraRole::Telephoto, UCameraRole::Left, UCameraRole::Right,
                                   UCameraRole::LeftPillar, UCameraRole::RightPillar, UCameraRole::Other}) {
        if (CameraRoleName(role) == Name) {
            *Role = role;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption recordingOption(QStringLiteral("recording"),
                                             QStringLiteral("One recording: role=path,role=path..."),
                                             QStringLiteral("cameras"));
    const QCommandLineOption picturesOption(QStringLiteral("pictures"),
                                            QStringLiteral("Print every camera's shown and lost pictures."));
    parser.addOption(recordingOption);
    parser.addOption(picturesOption);
    parser.process(app);

    QList<VideoAndGpsfile> entries;
    const QStringList recordings = parser.values(recordingOption);
    for (const QString &recording : recordings) {
        UCameraFiles cameras;
        for (const QString &part : recording.split(QLatin1Char(','))) {
            const qsizetype equals = part.indexOf(QLatin1Char('='));
            UCameraRole role = UCameraRole::Other;
            if (equals <= 0 || !RoleNamed(part.left(equals), &role)) {
                std::fprintf(stderr, "e2e_camera_window: not role=path: %s\n", qPrintable(part));
                return 2;
            }
            cameras << UCameraFile{role, part.mid(equals + 1)};
        }
        VideoAndGpsfile entry = UVideoAndGpsfiles::RateVideo(cameras.first().Path);
        if (entry.VideoName.isEmpty()) {
            std::fprintf(stderr, "e2e_camera_window: no such video: %s\n", qPrintable(cameras.first().Path));
            return 2;
        }
        if (cameras.size() > 1)
            entry.Cameras = cameras;
        entries << entry;
    }

    Tracora window;
    QFile style(QStringLiteral(":/qss/Tracora.qss"));
    if (style.open(QFile::ReadOnly))
        window.setStyleSheet(QLatin1String(style.readAll()));
    window.setObjectName(QStringLiteral("Tracora"));
    window.show();

    window.findChild<UVideoAndGpsfiles *>()->AppendRated(entries);
    // The previous-page button on the first page refills the tables.
    window.findChild<QPushButton *>(QStringLiteral("VideoListPrePage"))->click();

    QTimer pictures;
    if (parser.isSet(picturesOption)) {
        auto *group = window.findChild<UPlaybackGroup *>();
        QObject::connect(&pictures, &QTimer::timeout, &window, [group] {
            for (int camera = 0; camera <= group->OtherCount(); ++camera) {
                int shown = 0;
                int lost = 0;
                if (group->PictureCounts(camera, &shown, &lost))
                    std::printf("PICTURES %d %d %d\n", camera, shown, lost);
            }
            std::fflush(stdout);
        });
        pictures.start(PicturesEveryMs);
    }
    return app.exec();
}

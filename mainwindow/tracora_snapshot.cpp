// Snapshots: the picture on screen saved as PNG at the video's own size, one
// file per camera shown for a recording of several.
#include "tracora.h"
#include "tracora_state.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/usnapshotname.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"

void Tracora::TakeSnapshot()
{
    const int state = VlcWrapper->GetState();
    const int index = VlcWrapper->GetIndex();
    if ((state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused) || index < 0
        || index >= VideoFiles->GetVideoCount()) {
        ShowNote(QStringLiteral("No picture to save"));
        return;
    }
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
                               .filePath(QString::fromLatin1(USnapshotName::FolderName));
    if (!QDir().mkpath(folder)) {
        ShowNote(QStringLiteral("Cannot make ") + QDir::toNativeSeparators(folder));
        return;
    }
    const QString base = USnapshotName::BaseName(VideoFiles->GetVideoPath(index), VlcWrapper->GetTime());
    const auto exists = [](const QString &candidate) { return QFileInfo::exists(candidate); };
    if (ShownCameras.size() >= 2) {
        // The pictures of one moment: once the players stand or play at one time.
        if (PlaybackGroup->Settling()) {
            connect(PlaybackGroup, &UPlaybackGroup::Settled, this, &Tracora::TakeSnapshot, Qt::SingleShotConnection);
            return;
        }
        QStringList roles;
        for (const UCameraFile &camera : std::as_const(ShownCameras))
            roles << CameraRoleName(camera.Role);
        const QStringList paths = USnapshotName::FreePaths(folder, base, roles, exists);
        QStringList saved;
        for (int camera = 0; camera < paths.size(); ++camera) {
            if (PlaybackGroup->TakeSnapshot(camera, paths.at(camera)))
                saved << QFileInfo(paths.at(camera)).fileName();
        }
        if (saved.isEmpty()) {
            qWarning("Vialumo: no snapshot could be written to %s", qPrintable(QDir::toNativeSeparators(folder)));
            ShowNote(QStringLiteral("No snapshot: the video gave no picture"));
            return;
        }
        ShowNote((saved.size() == 1 ? QStringLiteral("Snapshot saved: ") : QStringLiteral("Snapshots saved: "))
                 + saved.join(QStringLiteral(", ")));
        return;
    }
    const QString path = USnapshotName::FreePath(folder, base, exists);
    if (path.isEmpty() || !VlcWrapper->TakeSnapshot(path)) {
        qWarning("Vialumo: no snapshot could be written to %s", qPrintable(QDir::toNativeSeparators(folder)));
        ShowNote(QStringLiteral("No snapshot: the video gave no picture"));
        return;
    }
    ShowNote(QStringLiteral("Snapshot saved: ") + QFileInfo(path).fileName());
}

// Snapshots: the picture on screen saved as PNG at the video's own size.
#include "tracora.h"
#include "tracora_state.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/usnapshotname.h"
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
    const QString path
        = USnapshotName::FreePath(folder, base, [](const QString &candidate) { return QFileInfo::exists(candidate); });
    if (path.isEmpty() || !VlcWrapper->TakeSnapshot(path)) {
        qWarning("Vialumo: no snapshot could be written to %s", qPrintable(QDir::toNativeSeparators(folder)));
        ShowNote(QStringLiteral("No snapshot: the video gave no picture"));
        return;
    }
    ShowNote(QStringLiteral("Snapshot saved: ") + QFileInfo(path).fileName());
}

#include "udrivechain.h"

#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "export/uclipmuxer.h"
#include "gpslog/videospan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <optional>

namespace {

struct Candidate
{
    QString Path;
    QDateTime Start;
    bool Used = false;
};

// The role of the camera that wrote Path, as the catalogue groups it.
UCameraRole RoleOf(const QString &Path)
{
    const VideoAndGpsfile entry = UVideoAndGpsfiles::RateVideo(Path);
    for (const UCameraFile &camera : entry.Cameras) {
        if (UFolderSearch::IdentityOf(camera.Path) == UFolderSearch::IdentityOf(Path))
            return camera.Role;
    }
    return UCameraRole::Front;
}

} // namespace

QDateTime UDriveChain::StartOf(const QString &Path)
{
    QFile file(Path);
    if (QFileInfo(Path).isFile() && file.open(QIODevice::ReadOnly)) {
        const VideoSpan span = VideoSpan::FromMovieHeader(file);
        if (span.Start.isValid())
            return span.Start;
    }
    return VideoSpan::StartFromName(QFileInfo(Path).fileName());
}

qint64 UDriveChain::DurationOf(const QString &Path)
{
    return UClipMuxer::Probe(Path).DurationMs;
}

QStringList UDriveChain::Following(const QString &File, qint64 UntilMs)
{
    QStringList chain;
    qint64 reached = DurationOf(File);
    QDateTime start = StartOf(File);
    if (reached <= 0 || reached >= UntilMs || !start.isValid())
        return chain;
    const UCameraRole role = RoleOf(File);
    const QFileInfo info(File);
    const QString identity = UFolderSearch::IdentityOf(File);
    QList<Candidate> candidates;
    const QStringList names = info.dir().entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString path = info.dir().filePath(name);
        if (!UFolderSearch::IsVideoName(name) || name.startsWith(QLatin1Char('.'))
            || UFolderSearch::IdentityOf(path) == identity)
            continue;
        const QDateTime candidateStart = StartOf(path);
        if (candidateStart.isValid())
            candidates.append({path, candidateStart});
    }
    qint64 duration = reached;
    while (reached < UntilMs && chain.size() < MaxRecordings) {
        const QDateTime end = start.addMSecs(duration);
        // The nearest start to the end first; of two as near, the first by name.
        QList<qsizetype> near;
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            const qint64 gap = std::llabs(end.msecsTo(candidates.at(i).Start));
            if (!candidates.at(i).Used && gap <= MaxGapMs)
                near.append(i);
        }
        std::stable_sort(near.begin(), near.end(), [&](qsizetype A, qsizetype B) {
            return std::llabs(end.msecsTo(candidates.at(A).Start)) < std::llabs(end.msecsTo(candidates.at(B).Start));
        });
        std::optional<qsizetype> next;
        qint64 nextDuration = -1;
        for (const qsizetype i : near) {
            candidates[i].Used = true;
            const qint64 length = DurationOf(candidates.at(i).Path);
            if (length > 0 && RoleOf(candidates.at(i).Path) == role) {
                next = i;
                nextDuration = length;
                break;
            }
        }
        if (!next)
            break;
        chain << candidates.at(*next).Path;
        start = candidates.at(*next).Start;
        duration = nextDuration;
        reached += nextDuration;
    }
    return chain;
}

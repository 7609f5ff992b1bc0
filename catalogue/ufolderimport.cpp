#include "ufolderimport.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QThread>

#include "catalogue/uvideoandgpsfiles.h"

UFolderImport::UFolderImport(UVideoAndGpsfiles *Catalogue, QObject *parent)
    : QObject(parent), Catalogue(Catalogue)
{
}

UFolderImport::~UFolderImport()
{
    Waiting.clear();
    CancelFlag = true;
    if (Worker) {
        Worker->wait();
        delete Worker;
        Worker = nullptr;
    }
}

void UFolderImport::Start(const QStringList &Paths)
{
    if (Paths.isEmpty())
        return;
    Waiting.append(Paths);
    if (!Worker)
        StartNext();
}

void UFolderImport::Cancel()
{
    Waiting.clear();
    if (Worker)
        CancelFlag = true;
}

bool UFolderImport::IsRunning() const
{
    return Worker != nullptr;
}

void UFolderImport::StartNext()
{
    if (Waiting.isEmpty())
        return;
    const QStringList paths = Waiting.takeFirst();
    // What is in the catalogue now, the entries of earlier imports included,
    // every camera of each; their canonical paths are worked out on the worker.
    const QList<UCameraFiles> inCatalogue = Catalogue->ListedCameras();
    CancelFlag = false;
    AddedInRun = 0;
    const quint64 run = ++CurrentRun;
    Worker = QThread::create([this, run, paths, inCatalogue] { Run(run, paths, inCatalogue); });
    Worker->setObjectName(QStringLiteral("FolderImport"));
    emit Searching();
    Worker->start(QThread::LowPriority);
}

void UFolderImport::Run(quint64 RunId, const QStringList &Paths, const QList<UCameraFiles> &InCatalogue)
{
    UImportSummary summary;
    UFolderSearchResult found = UFolderSearch::Search(Paths, &CancelFlag);
    summary.Skipped = found.Skipped;
    QSet<QString> known;
    for (const UCameraFiles &cameras : InCatalogue) {
        for (const UCameraFile &camera : cameras)
            known.insert(UFolderSearch::IdentityOf(camera.Path));
    }
    summary.Duplicates = UFolderSearch::DropKnown(found.Videos, known);
    emit Searched(found.Videos);

    const UCameraGrouping grouping = CancelFlag ? UCameraGrouping() : UCameraGroups::Group(found.Videos, InCatalogue);
    // A lower quality copy of a camera's file is as good as listed.
    summary.Duplicates += grouping.Copies.size();
    summary.Total = found.Videos.size() - grouping.Copies.size();

    QList<VideoAndGpsfile> batch;
    QList<UCameraJoinRated> joins;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    qint64 done = 0;
    const auto deliver = [&] {
        if (batch.size() + joins.size() < BatchEntries && sinceBatch.elapsed() < BatchIntervalMs
            && done != summary.Total)
            return;
        const qint64 total = summary.Total;
        QMetaObject::invokeMethod(
            this, [this, RunId, batch, joins, done, total] { Deliver(RunId, batch, joins, done, total); },
            Qt::QueuedConnection);
        batch.clear();
        joins.clear();
        sinceBatch.restart();
    };
    for (const UCameraJoin &join : grouping.Joins) {
        if (CancelFlag)
            break;
        VideoAndGpsfile rated = UVideoAndGpsfiles::RateVideo(join.Camera.Path);
        ++done;
        if (rated.VideoName.isEmpty()) {
            summary.Skipped.append({join.Camera.Path, USkipReason::Vanished});
        } else {
            rated.Cameras = {join.Camera};
            joins.append({join, rated});
        }
        deliver();
    }
    for (const UCameraFiles &cameras : grouping.Recordings) {
        if (CancelFlag)
            break;
        QStringList gone;
        batch += UVideoAndGpsfiles::RateCameras(cameras, &gone);
        done += cameras.size();
        for (const QString &path : std::as_const(gone))
            summary.Skipped.append({path, USkipReason::Vanished});
        deliver();
    }
    summary.Cancelled = CancelFlag;
    QMetaObject::invokeMethod(this, [this, RunId, summary] { Conclude(RunId, summary); }, Qt::QueuedConnection);
}

void UFolderImport::Deliver(quint64 RunId, const QList<VideoAndGpsfile> &Entries,
                            const QList<UCameraJoinRated> &Joins, qint64 Done, qint64 Total)
{
    if (RunId != CurrentRun || CancelFlag)
        return;
    QList<VideoAndGpsfile> apart;
    for (const UCameraJoinRated &join : Joins) {
        // Its recording has left the list meanwhile: the file stands alone.
        if (Catalogue->JoinCamera(join) >= 0)
            ++AddedInRun;
        else
            apart << join.Rated;
    }
    const int first = Catalogue->GetVideoCount();
    Catalogue->AppendRated(apart + Entries);
    for (int index = first; index < Catalogue->GetVideoCount(); ++index)
        AddedInRun += Catalogue->GetCameras(index).size();
    emit Progress(Done, Total, first, Catalogue->GetVideoCount() - first);
}

void UFolderImport::Conclude(quint64 RunId, UImportSummary Summary)
{
    if (RunId != CurrentRun)
        return;
    Summary.Added = AddedInRun;
    Summary.Cancelled = Summary.Cancelled || CancelFlag;
    if (Worker) {
        Worker->wait();
        delete Worker;
        Worker = nullptr;
    }
    emit Finished(Summary);
    StartNext();
}

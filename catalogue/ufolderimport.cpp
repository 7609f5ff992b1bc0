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
    // What is in the catalogue now, the entries of earlier imports included;
    // their canonical paths are worked out on the worker.
    QStringList inCatalogue;
    inCatalogue.reserve(Catalogue->GetVideoCount());
    for (int index = 0; index < Catalogue->GetVideoCount(); ++index)
        inCatalogue << Catalogue->GetVideoPath(index);
    CancelFlag = false;
    AddedInRun = 0;
    const quint64 run = ++CurrentRun;
    Worker = QThread::create([this, run, paths, inCatalogue] { Run(run, paths, inCatalogue); });
    Worker->setObjectName(QStringLiteral("FolderImport"));
    emit Searching();
    Worker->start(QThread::LowPriority);
}

void UFolderImport::Run(quint64 RunId, const QStringList &Paths, const QStringList &InCatalogue)
{
    UImportSummary summary;
    UFolderSearchResult found = UFolderSearch::Search(Paths, &CancelFlag);
    summary.Skipped = found.Skipped;
    QSet<QString> known;
    known.reserve(InCatalogue.size() + found.Videos.size());
    for (const QString &path : InCatalogue)
        known.insert(UFolderSearch::IdentityOf(path));
    summary.Duplicates = UFolderSearch::DropKnown(found.Videos, known);
    summary.Total = found.Videos.size();
    emit Searched(found.Videos);

    QList<VideoAndGpsfile> batch;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    qint64 done = 0;
    for (const QString &path : std::as_const(found.Videos)) {
        if (CancelFlag)
            break;
        VideoAndGpsfile entry = UVideoAndGpsfiles::RateVideo(path);
        ++done;
        if (entry.VideoName.isEmpty())
            summary.Skipped.append({path, USkipReason::Vanished});
        else
            batch.append(entry);
        if (batch.size() >= BatchEntries || sinceBatch.elapsed() >= BatchIntervalMs || done == summary.Total) {
            QMetaObject::invokeMethod(
                this, [this, RunId, batch, done, total = summary.Total] { Deliver(RunId, batch, done, total); },
                Qt::QueuedConnection);
            batch.clear();
            sinceBatch.restart();
        }
    }
    summary.Cancelled = CancelFlag;
    QMetaObject::invokeMethod(this, [this, RunId, summary] { Conclude(RunId, summary); }, Qt::QueuedConnection);
}

void UFolderImport::Deliver(quint64 RunId, const QList<VideoAndGpsfile> &Entries, qint64 Done, qint64 Total)
{
    if (RunId != CurrentRun || CancelFlag)
        return;
    const int first = Catalogue->GetVideoCount();
    Catalogue->AppendRated(Entries);
    AddedInRun += Catalogue->GetVideoCount() - first;
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

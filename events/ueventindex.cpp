#include "ueventindex.h"

#include <QElapsedTimer>
#include <QThread>

UEventIndex::UEventIndex(UVideoAndGpsfiles *Catalogue, QObject *parent) : QObject(parent), Catalogue(Catalogue)
{
    for (int index = 0; index < Catalogue->GetVideoCount(); ++index) {
        const QString path = Catalogue->GetVideoPath(index);
        Paths.append(path);
        Waiting.append({path, Catalogue->GetGpsfilePath(index), Catalogue->GetGpsSourceKind(index)});
    }
    PendingCount = int(Waiting.size());
    connect(Catalogue, &UVideoAndGpsfiles::VideoAdded, this, &UEventIndex::Added);
    connect(Catalogue, &UVideoAndGpsfiles::VideoDeleted, this, &UEventIndex::Deleted);
    StartWorker();
}

UEventIndex::~UEventIndex()
{
    Stop = true;
    if (Worker) {
        Worker->wait();
        delete Worker;
    }
}

std::shared_ptr<const URecordingEvents> UEventIndex::At(int Index) const
{
    if (Index < 0 || Index >= Paths.size())
        return nullptr;
    return Done.value(Paths.at(Index));
}

void UEventIndex::Added(const QString &VideoPath)
{
    // The catalogue announces an entry right after appending it.
    const int index = Catalogue->GetVideoCount() - 1;
    Paths.append(VideoPath);
    if (Done.contains(VideoPath))
        return;
    Job job{VideoPath, QString(), GpsSourceKind::None};
    if (index >= 0 && Catalogue->GetVideoPath(index) == VideoPath) {
        job.GpsPath = Catalogue->GetGpsfilePath(index);
        job.Source = Catalogue->GetGpsSourceKind(index);
    }
    Waiting.append(job);
    ++PendingCount;
    StartWorker();
}

void UEventIndex::Deleted(int Index)
{
    if (Index < 0 || Index >= Paths.size())
        return;
    const QString path = Paths.takeAt(Index);
    if (!Paths.contains(path))
        Done.remove(path);
    emit Changed();
}

void UEventIndex::StartWorker()
{
    if (Worker || Waiting.isEmpty())
        return;
    const QList<Job> jobs = std::exchange(Waiting, {});
    Worker = QThread::create([this, jobs] { Run(jobs); });
    Worker->setObjectName(QStringLiteral("EventIndex"));
    Worker->start(QThread::LowPriority);
}

void UEventIndex::Run(const QList<Job> &Jobs)
{
    QList<std::shared_ptr<const URecordingEvents>> batch;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    for (const Job &job : Jobs) {
        if (Stop)
            return;
        batch.append(std::make_shared<const URecordingEvents>(
            URecordingAnalysis::Analyse(job.VideoPath, job.GpsPath, job.Source)));
        if (batch.size() >= BatchEntries || sinceBatch.elapsed() >= BatchIntervalMs) {
            QMetaObject::invokeMethod(this, [this, batch] { Deliver(batch); }, Qt::QueuedConnection);
            batch.clear();
            sinceBatch.restart();
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, batch] {
            Deliver(batch);
            Conclude();
        },
        Qt::QueuedConnection);
}

void UEventIndex::Deliver(const QList<std::shared_ptr<const URecordingEvents>> &Results)
{
    for (const std::shared_ptr<const URecordingEvents> &result : Results) {
        --PendingCount;
        // A recording removed while it was read is not kept.
        if (Paths.contains(result->VideoPath))
            Done.insert(result->VideoPath, result);
    }
    if (!Results.isEmpty())
        emit Changed();
}

void UEventIndex::Conclude()
{
    if (Worker) {
        Worker->wait();
        delete Worker;
        Worker = nullptr;
    }
    if (!Waiting.isEmpty()) {
        StartWorker();
        return;
    }
    PendingCount = 0;
    emit Ready();
}

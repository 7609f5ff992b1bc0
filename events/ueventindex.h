#ifndef UEVENTINDEX_H
#define UEVENTINDEX_H

#include "catalogue/uvideoandgpsfiles.h"
#include "events/urecordingevents.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

// The events of every recording in the catalogue, worked out once as each
// arrives: the catalogue announces a recording (VideoAdded), and a worker
// thread of low priority reads its files, as the import's rating does, so
// the window never waits on them. Results come back to this object's thread
// in batches. Entries follow the catalogue's indices; a recording removed
// from the list is dropped.
class UEventIndex : public QObject
{
    Q_OBJECT
public:
    // A batch goes out once it holds this many recordings, or once this much
    // time has passed since the last one.
    static constexpr int BatchEntries = 50;
    static constexpr int BatchIntervalMs = 200;

    explicit UEventIndex(UVideoAndGpsfiles *Catalogue, QObject *parent = nullptr);
    // Stops the worker and waits for it.
    ~UEventIndex() override;

    // As many as the catalogue holds.
    int Count() const { return int(Paths.size()); }
    // The events of recording Index; null while they are still being worked
    // out, or for an index out of range.
    std::shared_ptr<const URecordingEvents> At(int Index) const;
    // Recordings still waiting or being read.
    int Pending() const { return PendingCount; }

signals:
    // Recordings' events have come in (or recordings left): what shows
    // them reads them again.
    void Changed();
    // Every recording of the catalogue has its events.
    void Ready();

private:
    struct Job
    {
        QString VideoPath;
        QString GpsPath;
        GpsSourceKind Source = GpsSourceKind::None;
    };

    void Added(const QString &VideoPath);
    void Deleted(int Index);
    void StartWorker();
    void Run(const QList<Job> &Jobs);
    void Deliver(const QList<std::shared_ptr<const URecordingEvents>> &Results);
    void Conclude();

    UVideoAndGpsfiles *Catalogue;
    QStringList Paths;
    QHash<QString, std::shared_ptr<const URecordingEvents>> Done;
    QList<Job> Waiting;
    QThread *Worker = nullptr;
    std::atomic<bool> Stop{false};
    int PendingCount = 0;
};

#endif // UEVENTINDEX_H

#ifndef UFOLDERIMPORT_H
#define UFOLDERIMPORT_H

#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>

#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"

class QThread;

// How an import ended.
// Counted in files: a recording of three cameras is three.
struct UImportSummary
{
    qint64 Added = 0;      // files that reached the list, as any camera's
    qint64 Total = 0;      // videos found and not yet in the list
    qint64 Duplicates = 0; // videos found that were in the list already (or a lower quality copy of one)
    QList<USkipped> Skipped;
    bool Cancelled = false;
};

// Brings files and folders into the catalogue without stalling the window:
// the search, the grouping of each moment's cameras into one recording
// (UCameraGroups) and the rating of each recording's GPS run on a worker
// thread, and the results are appended to the catalogue on the catalogue's
// thread in batches, in the search's order, each entry announced by
// VideoAdded as the import button's entries are. A file already in the
// catalogue (the same canonical path, as any camera of any recording) is not
// added again; a camera's file of a recording listed before the import began
// joins that recording (UVideoAndGpsfiles::JoinCamera), so that the rows and
// the play list keep their entries. Imports asked for while one runs follow
// it in turn.
class UFolderImport : public QObject
{
    Q_OBJECT
public:
    // A batch goes out once it holds this many entries, or once this much
    // time has passed since the last one.
    static constexpr int BatchEntries = 50;
    static constexpr int BatchIntervalMs = 100;

    explicit UFolderImport(UVideoAndGpsfiles *Catalogue, QObject *parent = nullptr);
    // Cancels the running import and waits for its thread.
    ~UFolderImport() override;

    void Start(const QStringList &Paths);
    // Stops the running import and drops those waiting; what has reached the
    // catalogue stays.
    void Cancel();
    bool IsRunning() const;

signals:
    void Searching();
    // The search is done: the videos not listed yet, in order, about to be
    // grouped and rated. Sent from the import's own thread before any of
    // them is read, so a receiver connected directly sees the list while the
    // files are still untouched; a queued receiver gets it later, on its own
    // thread.
    void Searched(const QStringList &Videos);
    // Done of Total videos rated; the catalogue has grown (and listed
    // recordings have taken their new cameras) before this is sent.
    void Progress(qint64 Done, qint64 Total, int FirstNewIndex, int NewCount);
    void Finished(const UImportSummary &Summary);

private:
    void StartNext();
    void Run(quint64 RunId, const QStringList &Paths, const QList<UCameraFiles> &InCatalogue);
    void Deliver(quint64 RunId, const QList<VideoAndGpsfile> &Entries, const QList<UCameraJoinRated> &Joins,
                 qint64 Done, qint64 Total);
    void Conclude(quint64 RunId, UImportSummary Summary);

    UVideoAndGpsfiles *Catalogue;
    QList<QStringList> Waiting;
    QThread *Worker = nullptr;
    std::atomic<bool> CancelFlag{false};
    // Results of a cancelled run that are still on their way are dropped.
    quint64 CurrentRun = 0;
    qint64 AddedInRun = 0;
};

#endif // UFOLDERIMPORT_H

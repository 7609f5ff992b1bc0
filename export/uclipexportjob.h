#ifndef UCLIPEXPORTJOB_H
#define UCLIPEXPORTJOB_H

#include <QObject>

#include <atomic>

#include "export/uclipexport.h"

class QThread;

// A clip's export off the window's thread: progress and the outcome come
// back as signals on the job's own thread. One export at a time.
class UClipExportJob : public QObject
{
    Q_OBJECT
public:
    explicit UClipExportJob(QObject *parent = nullptr);
    // Cancels a running export and waits for it (it takes its folder away).
    ~UClipExportJob() override;

    // False when an export runs already.
    bool Start(const UClipRequest &Request);
    void Cancel();
    bool IsRunning() const;

signals:
    void Progress(int Percent);
    void Finished(const UClipOutcome &Outcome);

private:
    QThread *Worker = nullptr;
    std::atomic<bool> CancelFlag{false};
};

#endif // UCLIPEXPORTJOB_H

#include "uclipexportjob.h"

#include <QThread>

UClipExportJob::UClipExportJob(QObject *parent) : QObject(parent) {}

UClipExportJob::~UClipExportJob()
{
    CancelFlag = true;
    if (Worker) {
        Worker->wait();
        delete Worker;
        Worker = nullptr;
    }
}

bool UClipExportJob::Start(const UClipRequest &Request)
{
    if (Worker)
        return false;
    CancelFlag = false;
    Worker = QThread::create([this, Request] {
        const UClipOutcome outcome = UClipExport::Run(
            Request,
            [this](int Percent) {
                QMetaObject::invokeMethod(this, [this, Percent] { emit Progress(Percent); }, Qt::QueuedConnection);
            },
            &CancelFlag);
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                if (Worker) {
                    Worker->wait();
                    delete Worker;
                    Worker = nullptr;
                }
                emit Finished(outcome);
            },
            Qt::QueuedConnection);
    });
    Worker->setObjectName(QStringLiteral("ClipExport"));
    Worker->start(QThread::LowPriority);
    return true;
}

void UClipExportJob::Cancel()
{
    if (Worker)
        CancelFlag = true;
}

bool UClipExportJob::IsRunning() const
{
    return Worker != nullptr;
}

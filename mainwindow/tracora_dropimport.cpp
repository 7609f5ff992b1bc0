// Recordings from outside the import button: dropped files and folders, the
// command line, "Import folder...". The search and the rating run off the
// GUI thread (UFolderImport); the list fills as the results come.
#include "tracora.h"
#include "tracora_state.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "catalogue/ufolderimport.h"
#include "console/uimportprogress.h"
#include "console/ulistpaging.h"
#include "widgets/uoverlaylabel.h"

namespace {

constexpr int ClosingTextMs = 10000;
// Long enough to read the names of what was skipped.
constexpr int ClosingTextWithSkipsMs = 30000;

QStringList LocalPaths(const QMimeData *Data)
{
    QStringList paths;
    if (!Data || !Data->hasUrls())
        return paths;
    const QList<QUrl> urls = Data->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

void Tracora::ImportPaths(const QStringList &Paths)
{
    FolderImport->Start(Paths);
}

void Tracora::dragEnterEvent(QDragEnterEvent *event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Tracora::dropEvent(QDropEvent *event)
{
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    ImportPaths(paths);
}

void Tracora::ImportProgressed(qint64 Done, qint64 Total, int FirstNewIndex, int NewCount)
{
    ImportDone = Done;
    ImportTotal = Total;
    if (NewCount > 0) {
        ImportNewFirst = ImportNewFirst < 0 ? FirstNewIndex : qMin(ImportNewFirst, FirstNewIndex);
        ImportNewEnd = qMax(ImportNewEnd, FirstNewIndex + NewCount);
    }
    if (!ImportPaintTimer->isActive()) {
        ShowImportProgress();
        ImportPaintTimer->start();
    }
}

void Tracora::CamerasJoined(int Index)
{
    // The import button refills the tables itself once it is done; a folder
    // import shows a joined camera's row with its next batch.
    if (!FolderImport->IsRunning())
        return;
    if (Index / UListPaging::PageSize == Status->CurrentPage)
        ImportJoinedShown = true;
}

void Tracora::ShowImportProgress()
{
    if (!FolderImport->IsRunning())
        return;
    ImportProgress->ShowText(ImportTotal < 0 ? UImportProgress::SearchingText()
                                             : UImportProgress::RunningText(ImportDone, ImportTotal));
    // Only a page that shows new entries is filled again: refilling resets
    // the tables' current rows, which the user may be using meanwhile.
    const int pageFirst = Status->CurrentPage * UListPaging::PageSize;
    if ((ImportNewFirst >= 0 && ImportNewFirst < pageFirst + UListPaging::PageSize && ImportNewEnd > pageFirst)
        || ImportJoinedShown)
        ListTableUpdate();
    ImportNewFirst = -1;
    ImportNewEnd = -1;
    ImportJoinedShown = false;
}

void Tracora::ImportFinished(const UImportSummary &Summary)
{
    ImportPaintTimer->stop();
    const int pageFirst = Status->CurrentPage * UListPaging::PageSize;
    const bool refill
        = (ImportNewFirst >= 0 && ImportNewFirst < pageFirst + UListPaging::PageSize && ImportNewEnd > pageFirst)
        || ImportJoinedShown;
    ImportNewFirst = -1;
    ImportNewEnd = -1;
    ImportJoinedShown = false;
    for (const USkipped &skipped : Summary.Skipped)
        qWarning("Vialumo: import skipped %s (%s)", qPrintable(skipped.Path),
                 qPrintable(UImportProgress::ReasonText(skipped.Reason)));
    const QString text = UImportProgress::ClosingText(Summary.Added, Summary.Total, Summary.Duplicates,
                                                      Summary.Skipped, Summary.Cancelled);
    const int shownMs = Summary.Skipped.isEmpty() ? ClosingTextMs : ClosingTextWithSkipsMs;
    if (!refill) {
        ImportProgress->ShowText(text, shownMs);
        return;
    }
    // The tables and the line over the video are two windows to repaint:
    // one in each turn of the event loop, so that neither waits for the other.
    ListTableUpdate();
    QTimer::singleShot(0, ImportProgress, [this, text, shownMs] { ImportProgress->ShowText(text, shownMs); });
}

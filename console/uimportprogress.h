#ifndef UIMPORTPROGRESS_H
#define UIMPORTPROGRESS_H

#include <QList>
#include <QString>

#include "catalogue/ufoldersearch.h"

// The words of the import progress: "Importing 740 of 2,000" while it runs,
// one line at the end.
class UImportProgress
{
public:
    // How many skipped entries the closing line names; the rest are counted.
    static constexpr int NamedSkips = 3;

    static QString Number(qint64 Value);
    static QString SearchingText();
    static QString RunningText(qint64 Done, qint64 Total);
    static QString ReasonText(USkipReason Reason);

    // Added: entries that reached the list; Total: videos found; Duplicates:
    // found but already in the list.
    static QString ClosingText(qint64 Added, qint64 Total, qint64 Duplicates, const QList<USkipped> &Skipped,
                               bool Cancelled);
};

#endif // UIMPORTPROGRESS_H

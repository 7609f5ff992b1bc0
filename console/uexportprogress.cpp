#include "uexportprogress.h"

#include <QDir>
#include <QFileInfo>

#include "catalogue/ufoldersearch.h"
#include "console/usettingskeys.h"

QString UExportProgress::RunningText(int Percent)
{
    return QStringLiteral("Exporting %1 %").arg(qBound(0, Percent, 100));
}

QString UExportProgress::ClosingText(bool Done, bool Cancelled, const QString &Folder, const QString &Error)
{
    if (Done)
        return QStringLiteral("Clip exported: ") + QFileInfo(QDir::cleanPath(Folder)).fileName();
    if (Cancelled)
        return QStringLiteral("Export cancelled");
    return QStringLiteral("Export failed: ") + Error;
}

QString UExportProgress::SpeedText(double Kmh)
{
    return QStringLiteral("%1 km/h").arg(qRound(Kmh));
}

int UExportProgress::GpsShift(const QSettings &Settings, const QString &VideoPath)
{
    return Settings.value(USettingsKeys::GpsShift(UFolderSearch::IdentityOf(VideoPath)), 0).toInt();
}

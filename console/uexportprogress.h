#ifndef UEXPORTPROGRESS_H
#define UEXPORTPROGRESS_H

#include <QSettings>
#include <QString>

// The words of a clip's export over the video ("Exporting 41 %", one line at
// its end) and what it takes from the program's settings.
class UExportProgress
{
public:
    static QString RunningText(int Percent);
    // Done: the folder's name; otherwise why not ("cancelled" says so).
    static QString ClosingText(bool Done, bool Cancelled, const QString &Folder, const QString &Error);

    // A speed as the program shows it. The one place an export (its
    // subtitles, its summary) takes the program's speed unit from.
    static QString SpeedText(double Kmh);
    // The GPS shift remembered for the recording of the video at VideoPath,
    // in seconds.
    static int GpsShift(const QSettings &Settings, const QString &VideoPath);
};

#endif // UEXPORTPROGRESS_H

#ifndef UCLIPGPS_H
#define UCLIPGPS_H

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

#include "catalogue/uvideoandgpsfiles.h"
#include "gpslog/gpsfix.h"
#include "gpslog/gpstrack.h"

// A recording's GPS as a clip of it needs it: every report of its source
// with a position, each at the moment of the video the player shows it (its
// place in the video moved by the recording's GPS shift), and the track of
// one fix a second the player shows.
class UClipGps
{
public:
    struct Report
    {
        GpsFix Fix;
        // Milliseconds into the video at which the player shows the report.
        qint64 ShownMs = 0;
    };

    // Reads the source the catalogue found for the video at VideoPath with
    // the reader of its kind, as the player reads it. ShiftSeconds: the car
    // is shown where it was that many seconds before the play time.
    static UClipGps Read(GpsSourceKind Kind, const QString &SourcePath, const QString &VideoPath, int ShiftSeconds);

    bool IsEmpty() const { return Reports.isEmpty(); }
    int ShiftSeconds() const { return Shift; }

    // The reports shown from FromMs up to (not including) ToMs, in time order.
    QList<Report> Between(qint64 FromMs, qint64 ToMs) const;
    // The fix the player shows at play time Ms: that second's fix of the
    // track, moved by the shift; none where the track has no position.
    std::optional<GpsFix> ShownAt(qint64 Ms) const;
    // The time of day at play time Ms, from the report with a UTC time
    // shown nearest to it; invalid when no report has one.
    QDateTime RealTimeAt(qint64 Ms) const;

private:
    QList<Report> Reports;
    GpsTrack Seconds;
    int Shift = 0;
};

#endif // UCLIPGPS_H

#ifndef GPSLOGDATA_H
#define GPSLOGDATA_H

#include "gpslog/gpsfix.h"
#include "gpslog/gpstrack.h"

#include <QObject>
#include <QString>

// The car's state in one line of a GPS log.
struct GpsRecord
{
    bool DataAvailable = false;
    QString Date;
    QString Time;
    QString Longitude;
    QString EastOrWest;
    QString Latitude;
    QString SouthOrNorth;
    double Velocity = 0.0;
};

// Reads GPS log lines (one field at a time) and whole logs into a track of
// one fix per second of video; hands out each second as texts (a record)
// or in numbers (a fix).
class GpsLogData : public QObject
{
    Q_OBJECT
public:
    explicit GpsLogData(QObject *parent = nullptr);

    void ClearGpsData();
    void ReadGpsfile(QString GpsfilePath);
    // Reads a source other than the recorder's log (a video holding GPS, an
    // NMEA or GPX side file) into one fix per second of the video at
    // VideoPath. A source that is gone or unreadable leaves the track as
    // ReadGpsfile leaves it for a missing log.
    void ReadGpsSource(const QString &SourcePath, const QString &VideoPath);
    GpsRecord GetGpsDataAt(int Second) const;
    GpsRecord GetFirstAvailableGpsData() const;

    // Number of records in the loaded track: one a second of video.
    int GetGpsDataCount() const { return int(Track.Size()); }

    // The numbers of second Second, chosen as GetGpsDataAt chooses the
    // record; a fix without a position for an empty track.
    GpsFix GetFixAt(int Second) const;
    const GpsTrack &GetTrack() const { return Track; }

public slots:
    bool GetDataAvailable(QString linedata);
    QString GetDate(QString linedata);
    QString GetTime(QString linedata);
    QString GetLongitude(QString linedata);
    QString GetEastOrWest(QString linedata);
    QString GetLatitude(QString linedata);
    QString GetSouthOrNorth(QString linedata);
    double GetVelocity(QString linedata);

private:
    GpsTrack Track;
};

#endif // GPSLOGDATA_H

#ifndef GPSLOGDATA_H
#define GPSLOGDATA_H

#include "gpslog/gpsfix.h"
#include "gpslog/gpssource.h"
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
    // Reads a recording's chosen source with the reader of its kind: the
    // recorder's log (or, without a source, the place where it would lie) as
    // ReadGpsfile does, any other source (a video holding GPS, an NMEA, GPX
    // or SRT side file) as one fix per second of its video. A source that is
    // gone or unreadable leaves the track as ReadGpsfile leaves it for a
    // missing log.
    void ReadGpsSource(const GpsSource &Source);
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

#include "gpslogdata.h"

#include "gpslog/gpsnumbers.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/gpssourcechooser.h"
#include "gpslog/recorderlogfilereader.h"
#include "gpslog/recorderlogreader.h"

#include <QDebug>
#include <QtNumeric>

#include <algorithm>

namespace {

// Decimal degrees in the records: significant digits, and the length that
// shorter texts are lengthened to with zeros.
constexpr int LatitudeSignificantDigits = 7;
constexpr int LatitudePaddedLength = 8;
constexpr int LongitudeSignificantDigits = 8;
constexpr int LongitudePaddedLength = 9;

constexpr const char *ReadDoneTrace = "addend";

QString LatitudeText(double Unsigned)
{
    if (qIsNaN(Unsigned))
        return QString();
    return GpsNumbers::DegreesText(Unsigned, LatitudeSignificantDigits, LatitudePaddedLength);
}

QString LongitudeText(double Unsigned)
{
    if (qIsNaN(Unsigned))
        return QString();
    return GpsNumbers::DegreesText(Unsigned, LongitudeSignificantDigits, LongitudePaddedLength);
}

// The record shows the coordinate without its sign, beside its hemisphere.
double WithoutSign(double Signed, QStringView Hemisphere, QStringView Negative)
{
    return (Hemisphere == Negative ? -Signed : Signed) + 0.0;
}

GpsRecord RecordAt(const GpsTrack &Track, qsizetype Index)
{
    const GpsFix &fix = Track.At(Index);
    GpsFixTexts texts = Track.TextsAt(Index);
    QString longitude = LongitudeText(WithoutSign(fix.Longitude, texts.EastOrWest, GpsFixTexts::West));
    QString latitude = LatitudeText(WithoutSign(fix.Latitude, texts.SouthOrNorth, GpsFixTexts::South));
    return {fix.Valid,
            std::move(texts.Date),
            std::move(texts.Time),
            std::move(longitude),
            std::move(texts.EastOrWest),
            std::move(latitude),
            std::move(texts.SouthOrNorth),
            fix.SpeedKmh};
}

// Second as an index into a track of Count fixes: the last one for a
// second at or beyond the end, the first for a negative one.
qsizetype IndexOf(int Second, qsizetype Count)
{
    return std::clamp<qsizetype>(Second, 0, Count - 1);
}

} // namespace

GpsLogData::GpsLogData(QObject *parent) : QObject(parent) {}

void GpsLogData::ClearGpsData()
{
    Track.Clear();
}

// The recorder's log is read as such whatever its lines look like: a log
// that happens to hold NMEA or XML text must not change how it plays.
void GpsLogData::ReadGpsfile(QString GpsfilePath)
{
    static const RecorderLogFileReader reader;
    if (!reader.Read(GpsfilePath, Track))
        return;
    Track.Squeeze();
    qDebug() << ReadDoneTrace;
}

void GpsLogData::ReadGpsSource(const GpsSource &Source)
{
    if (Source.Kind == GpsSourceKind::RecorderLog || Source.Kind == GpsSourceKind::None) {
        ReadGpsfile(Source.Path);
        return;
    }
    const GpsSeconds::Result seconds = GpsSourceChooser::ReadSeconds(Source);
    if (!seconds.Readable)
        return;
    for (const GpsFix &fix : seconds.Track.Fixes())
        Track.Append(fix);
    Track.Squeeze();
    qDebug() << ReadDoneTrace;
}

GpsRecord GpsLogData::GetGpsDataAt(int Second) const
{
    if (Track.IsEmpty())
        return GpsRecord();
    return RecordAt(Track, IndexOf(Second, Track.Size()));
}

GpsRecord GpsLogData::GetFirstAvailableGpsData() const
{
    for (qsizetype index = 0; index < Track.Size(); ++index) {
        if (Track.At(index).Valid)
            return RecordAt(Track, index);
    }
    return GpsRecord();
}

GpsFix GpsLogData::GetFixAt(int Second) const
{
    if (Track.IsEmpty())
        return GpsFix();
    return Track.At(IndexOf(Second, Track.Size()));
}

bool GpsLogData::GetDataAvailable(QString linedata)
{
    return RecorderLogReader::IsValid(linedata);
}

QString GpsLogData::GetDate(QString linedata)
{
    return RecorderLogReader::Split(linedata).Date.toString();
}

QString GpsLogData::GetTime(QString linedata)
{
    return RecorderLogReader::Split(linedata).Time.toString();
}

QString GpsLogData::GetLongitude(QString linedata)
{
    return LongitudeText(RecorderLogReader::Longitude(RecorderLogReader::Split(linedata).Longitude));
}

QString GpsLogData::GetEastOrWest(QString linedata)
{
    return RecorderLogReader::Split(linedata).EastOrWest.toString();
}

QString GpsLogData::GetLatitude(QString linedata)
{
    return LatitudeText(RecorderLogReader::Latitude(RecorderLogReader::Split(linedata).Latitude));
}

QString GpsLogData::GetSouthOrNorth(QString linedata)
{
    return RecorderLogReader::Split(linedata).SouthOrNorth.toString();
}

double GpsLogData::GetVelocity(QString linedata)
{
    return RecorderLogReader::SpeedKmh(RecorderLogReader::Split(linedata).Speed);
}

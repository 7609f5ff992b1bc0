#include "recorderlogreader.h"

#include "gpslog/gpsnumbers.h"
#include "gpslog/gpstrack.h"

#include <QIODevice>
#include <QTextStream>
#include <QtNumeric>

#include <cmath>

namespace {

constexpr char16_t FieldSeparator = u',';
constexpr char16_t SpeedTerminator = u';';
constexpr char16_t ValidFlag = u'A';

// Commas before the speed field: the 7th opens it.
constexpr int SpeedFieldCommas = 7;
constexpr int DateField = 1;
constexpr int TimeField = 2;
constexpr int LatitudeField = 3;
constexpr int SouthOrNorthField = 4;
constexpr int LongitudeField = 5;
constexpr int EastOrWestField = 6;

constexpr int LatitudeDegreeDigits = 2;
constexpr int LongitudeDegreeDigits = 3;
constexpr double MinutesPerDegree = 60.0;
constexpr double KnotsToKmPerHour = 1.852;

// Date ddmmyy and time hhmmss as the receiver reports them, in UTC; the two
// digits of the year count from 2000.
constexpr qsizetype DateTimeLength = 6;
constexpr int CenturyStart = 2000;

// Two ASCII digits at Text[At] as a number; -1 when they are not digits.
int TwoDigits(QStringView Text, qsizetype At)
{
    const char16_t tens = Text[At].unicode();
    const char16_t ones = Text[At + 1].unicode();
    if (tens < u'0' || tens > u'9' || ones < u'0' || ones > u'9')
        return -1;
    return (tens - u'0') * 10 + (ones - u'0');
}

// Only the exact forms: they are the ones the fix writes back unchanged.
QDateTime UtcOf(QStringView Date, QStringView Time)
{
    if (Date.size() != DateTimeLength || Time.size() != DateTimeLength)
        return QDateTime();
    const int day = TwoDigits(Date, 0);
    const int month = TwoDigits(Date, 2);
    const int year = TwoDigits(Date, 4);
    const int hour = TwoDigits(Time, 0);
    const int minute = TwoDigits(Time, 2);
    const int second = TwoDigits(Time, 4);
    if (day < 0 || month < 0 || year < 0 || hour < 0 || minute < 0 || second < 0)
        return QDateTime();
    const QDate date(CenturyStart + year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

double DegreesAndMinutes(QStringView Field, int DegreeDigits)
{
    if (Field.isEmpty())
        return qQNaN();
    const double degrees = GpsNumbers::Read(Field.left(DegreeDigits));
    const double minutes = Field.size() > DegreeDigits ? GpsNumbers::Read(Field.sliced(DegreeDigits)) : 0.0;
    const double value = degrees + minutes / MinutesPerDegree;
    return std::isfinite(value) ? value + 0.0 : 0.0;
}

// The hemisphere text is the one the fix's sign gives back: "N" or "S" for
// a coordinate of at least 0 (the sign then comes from the letter alone),
// nothing for a missing one.
bool HemisphereFollows(double Unsigned, QStringView Text, QStringView Positive, QStringView Negative)
{
    if (qIsNaN(Unsigned))
        return Text.isEmpty();
    return Unsigned >= 0.0 && (Text == Positive || Text == Negative);
}

} // namespace

bool RecorderLogReader::IsValid(QStringView Line)
{
    return !Line.isEmpty() && Line.front() == QChar(ValidFlag);
}

RecorderLogReader::Fields RecorderLogReader::Split(QStringView Line)
{
    // Each comma is searched from just after the one before, so a missing
    // separator never makes a later field fall back onto an earlier part of
    // the line.
    qsizetype comma[SpeedFieldCommas];
    int commas = 0;
    const char16_t *const text = Line.utf16();
    for (qsizetype at = 0; at < Line.size() && commas < SpeedFieldCommas; ++at) {
        if (text[at] == FieldSeparator)
            comma[commas++] = at;
    }
    const auto field = [&](int k) {
        // the k-th comma is comma[k - 1], the one after it comma[k]
        return k < commas ? Line.sliced(comma[k - 1] + 1, comma[k] - comma[k - 1] - 1) : QStringView();
    };
    Fields fields;
    fields.Date = field(DateField);
    fields.Time = field(TimeField);
    fields.Latitude = field(LatitudeField);
    fields.SouthOrNorth = field(SouthOrNorthField);
    fields.Longitude = field(LongitudeField);
    fields.EastOrWest = field(EastOrWestField);
    if (commas == SpeedFieldCommas) {
        const qsizetype start = comma[SpeedFieldCommas - 1] + 1;
        const qsizetype end = Line.indexOf(QChar(SpeedTerminator), start);
        if (end >= 0)
            fields.Speed = Line.sliced(start, end - start);
    }
    return fields;
}

double RecorderLogReader::Latitude(QStringView Field)
{
    return DegreesAndMinutes(Field, LatitudeDegreeDigits);
}

double RecorderLogReader::Longitude(QStringView Field)
{
    return DegreesAndMinutes(Field, LongitudeDegreeDigits);
}

double RecorderLogReader::SpeedKmh(QStringView Field)
{
    const double kmh = GpsNumbers::Read(Field) * KnotsToKmPerHour;
    return std::isfinite(kmh) ? kmh + 0.0 : 0.0;
}

void RecorderLogReader::AppendLine(QStringView Line, GpsTrack &Track)
{
    const Fields fields = Split(Line);
    const double latitude = Latitude(fields.Latitude);
    const double longitude = Longitude(fields.Longitude);
    GpsFix fix;
    fix.Valid = IsValid(Line);
    fix.Utc = UtcOf(fields.Date, fields.Time);
    // Only "S" and "W" turn the sign, as on the map page.
    fix.Latitude = fields.SouthOrNorth == GpsFixTexts::South ? -latitude : latitude;
    fix.Longitude = fields.EastOrWest == GpsFixTexts::West ? -longitude : longitude;
    fix.SpeedKmh = SpeedKmh(fields.Speed);

    const bool textsFollow = (fix.Utc.isValid() || (fields.Date.isEmpty() && fields.Time.isEmpty()))
        && HemisphereFollows(latitude, fields.SouthOrNorth, GpsFixTexts::North, GpsFixTexts::South)
        && HemisphereFollows(longitude, fields.EastOrWest, GpsFixTexts::East, GpsFixTexts::West);
    if (textsFollow) {
        Track.Append(fix);
    } else {
        Track.Append(fix, {fields.Date.toString(), fields.Time.toString(), fields.SouthOrNorth.toString(),
                           fields.EastOrWest.toString()});
    }
}

// Lines end as QTextStream::readLine has them end ("\n" or "\r\n").
void RecorderLogReader::Read(QIODevice &Device, GpsTrack &Track)
{
    QTextStream in(&Device);
    QString line;
    while (in.readLineInto(&line))
        AppendLine(line, Track);
}

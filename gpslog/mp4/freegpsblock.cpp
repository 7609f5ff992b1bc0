#include "freegpsblock.h"

#include "gpslog/gpsposition.h"
#include "gpslog/mp4/nmeasentences.h"

#include <QDate>
#include <QTime>
#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

using Layout = FreeGpsRecord::Layout;

// Every block: big-endian size, then the marker.
constexpr char BlockMarker[] = "freeGPS ";
constexpr qsizetype MarkerAt = 4;
constexpr qsizetype MarkerLength = sizeof(BlockMarker) - 1;
constexpr qsizetype ReportStart = MarkerAt + MarkerLength;

constexpr char FixStatus = 'A';
constexpr char NoFixStatus = 'V';

// --- FloatReport: little-endian u32 hour, minute, second, year, month,
// day; the characters status, N/S, E/W and a pad byte; f32 latitude and
// longitude (DDMM.MMMM), speed in knots and course. Most firmware puts the
// time right after four bytes of its own (status at 40), some 36 bytes
// later (status at 72); other distances are found by the characters.
constexpr qsizetype TimeFields = 6;
constexpr qsizetype TimeBytes = TimeFields * 4;
constexpr qsizetype EarlyTimeAt = 16;
constexpr qsizetype EarlyStatusAt = EarlyTimeAt + TimeBytes;
constexpr qsizetype LateTimeAt = 48;
constexpr qsizetype LateStatusAt = LateTimeAt + TimeBytes;
constexpr qsizetype LatitudeAfterStatus = 4;
constexpr qsizetype LongitudeAfterStatus = 8;
constexpr qsizetype SpeedAfterStatus = 12;
constexpr qsizetype CourseAfterStatus = 16;
constexpr qsizetype ReportAfterStatus = 20;
// After the early report: three s32 accelerometer axes in 1/256 g; zeros,
// or the counting pattern 1..6 of u16, when the firmware has none.
constexpr qsizetype EarlyAccelerationAt = 60;
constexpr double EarlyAccelerationScale = 256.0;
constexpr char EarlyNoAcceleration[] = "\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00";
// After the late report, some firmware repeats the coordinates as doubles
// (DDMM.MMMM) at 112 and 128 and the altitude at 160.
constexpr qsizetype DoubleLatitudeAt = 112;
constexpr qsizetype DoubleLongitudeAt = 128;
constexpr qsizetype DoubleAltitudeAt = 160;
constexpr double SameCoordinate = 0.001;
// "IQS" firmware: the late report with s32 coordinates in 1e-7 degrees, s32
// speed in cm/s and an f32 altitude in millimetres.
constexpr qsizetype FirmwareNameAt = 16;
constexpr char IntegerFirmware[] = "IQS";
constexpr double IntegerDegreeScale = 1e7;
constexpr double CentimetresPerMetre = 100.0;
constexpr double MillimetresPerMetre = 1000.0;

// --- FloatStatusWord: u32 hour, minute, second at 48; status as a word at
// 60; f32 latitude at 64, N/S word at 68, f32 longitude at 72, E/W word at
// 76, f32 speed in km/h at 80 and course at 84; u32 year, month, day at 88;
// s32 accelerometer axes in 1/1000 g at 100.
constexpr qsizetype WordStatusAt = 60;
constexpr qsizetype WordLatitudeAt = 64;
constexpr qsizetype WordNorthSouthAt = 68;
constexpr qsizetype WordLongitudeAt = 72;
constexpr qsizetype WordEastWestAt = 76;
constexpr qsizetype WordSpeedAt = 80;
constexpr qsizetype WordCourseAt = 84;
constexpr qsizetype WordDateAt = 88;
constexpr qsizetype WordAccelerationAt = 100;
constexpr double HalfTurn = 180.0;

// --- FloatYearFirst: status, N/S, E/W at 64; u32 year, month, day, hour,
// minute, second at 68; f32 longitude at 92, latitude at 96, speed in knots
// at 100, course at 104, altitude at 108; s32 axes in 1/1000 g at 112.
constexpr qsizetype YearFirstStatusAt = 64;
constexpr qsizetype YearFirstTimeAt = 68;
constexpr qsizetype YearFirstLongitudeAt = 92;
constexpr qsizetype YearFirstLatitudeAt = 96;
constexpr qsizetype YearFirstSpeedAt = 100;
constexpr qsizetype YearFirstCourseAt = 104;
constexpr qsizetype YearFirstAltitudeAt = 108;
constexpr qsizetype YearFirstAccelerationAt = 112;

// --- DoubleReport: u32 hour, minute, second at 48; status word at 60; f64
// latitude at 64, N/S word at 72, f64 longitude at 80, E/W word at 88, f64
// speed in knots at 96 and course at 104; u32 year, month, day at 112; s32
// axes in 1/1000 g at 124.
constexpr qsizetype DoubleLatitudeWordAt = 64;
constexpr qsizetype DoubleNorthSouthAt = 72;
constexpr qsizetype DoubleLongitudeWordAt = 80;
constexpr qsizetype DoubleEastWestAt = 88;
constexpr qsizetype DoubleSpeedAt = 96;
constexpr qsizetype DoubleCourseAt = 104;
constexpr qsizetype DoubleDateAt = 112;
constexpr qsizetype DoubleAccelerationAt = 124;

// --- DoubleReportEarlyStatus: u32 hour, minute, second at 16; status word
// at 28; f64 latitude at 32, N/S at 40, f64 longitude at 48, E/W at 56, f64
// speed in knots at 64 and course at 72; u32 year, month, day at 80; s32
// axes in 1/1000 g at 92.
constexpr qsizetype EarlyWordTimeAt = 16;
constexpr qsizetype EarlyWordStatusAt = 28;
constexpr qsizetype EarlyWordLatitudeAt = 32;
constexpr qsizetype EarlyWordNorthSouthAt = 40;
constexpr qsizetype EarlyWordLongitudeAt = 48;
constexpr qsizetype EarlyWordEastWestAt = 56;
constexpr qsizetype EarlyWordSpeedAt = 64;
constexpr qsizetype EarlyWordCourseAt = 72;
constexpr qsizetype EarlyWordDateAt = 80;
constexpr qsizetype EarlyWordAccelerationAt = 92;
constexpr double ThousandthsOfG = 1000.0;

// --- XorText: from 18 on every byte XOR 0xAA; it starts with eight bytes
// of its own (0xAA 0xAA "XKZD" 0xFE 0xFE once deciphered), then
// "YYYYMMDDhhmmss", one byte, a 15-character label, N/S and eight digits of
// DDMMmmmm, E/W and nine digits of DDDMMmmmm, and either eight digits of
// speed in km/h or a signed four-digit altitude and three digits of speed.
// Three signed three-digit axes in 1/100 g follow at 65 or at 173.
constexpr qsizetype XorAt = 18;
constexpr char XorMarker[] = "\xaa\xaa\xf2\xe1\xf0\xee\x54\x54";
constexpr qsizetype XorMarkerLength = sizeof(XorMarker) - 1;
constexpr quint8 XorKey = 0xaa;
constexpr qsizetype XorTextBytes = 0x101;
constexpr qsizetype XorDateAt = 8;
constexpr qsizetype XorNorthSouthAt = 38;
constexpr qsizetype XorLatitudeAt = 39;
constexpr qsizetype XorLatitudeDigits = 8;
constexpr qsizetype XorEastWestAt = 47;
constexpr qsizetype XorLongitudeAt = 48;
constexpr qsizetype XorLongitudeDigits = 9;
constexpr qsizetype XorSpeedAt = 57;
constexpr qsizetype XorSpeedDigits = 8;
constexpr qsizetype XorShortSpeedAt = 62;
constexpr qsizetype XorShortSpeedDigits = 3;
constexpr qsizetype XorAccelerationAt = 65;
constexpr qsizetype XorLateAccelerationAt = 173;
constexpr double XorCoordinateScale = 1e4;
constexpr double HundredthsOfG = 100.0;

// --- NmeaText: the camera's date and time as "YYYYMMDDhhmmss" at 52,
// three s32 axes in 1/256 g at 68, RMC and GGA sentences from 80.
constexpr qsizetype CameraTimeAt = 52;
constexpr qsizetype NmeaAccelerationAt = 68;
constexpr qsizetype NmeaTextAt = 80;
constexpr qsizetype DateTimeDigits = 14;

// --- ShiftedNmea: 80 bytes from 60, each 16 above an RMC sentence's.
constexpr qsizetype ShiftedAt = 60;
constexpr qsizetype ShiftedBytes = 80;
constexpr char ShiftedMarker[] = "4W`b]S<";
constexpr quint8 Shift = 16;

// --- FloatRecords: 32-byte reports "A", N/S, E/W, 0, f32 latitude,
// longitude (DDMM.MMMM), speed in knots, course, three s32 axes; the first
// at 16.
constexpr qsizetype FirstRecordAt = 16;
constexpr qsizetype FloatRecordBytes = 32;

// --- IntegerRecords: big-endian 32-byte reports from 0x32: u16 speed in
// cm/s, s16 course in 1/100 degree, u16 year, u8 month, day, hour, minute,
// u16 second in tenths, a byte, s32 latitude and longitude in 1e-7 degrees.
constexpr qsizetype IntegerRecordsAt = 0x32;
constexpr qsizetype IntegerRecordBytes = 0x20;
constexpr qsizetype IntegerRecordUsed = 21;
constexpr int MaxTenthsOfSecond = 599;

// Most firmware writes the year less 2000, some the full year.
constexpr int CenturyBase = 2000;
constexpr int LastShortYear = 99;
constexpr int FirstFullYear = 2000;
constexpr int LastFullYear = 2099;

constexpr double KnotsToKmh = 1.852;
constexpr double MetresPerSecondToKmh = 3.6;
// Faster than any car: a speed above this is a misread report.
constexpr double MaxSpeedKmh = 500.0 * KnotsToKmh;
constexpr double FullCircle = 360.0;
constexpr qint64 MillisecondsPerSecond = 1000;

// The start of a block, where its reports lie, with bounds-checked reads.
class Block
{
public:
    explicit Block(const QByteArray &Bytes)
        : Size(std::min<qsizetype>(Bytes.size(), FreeGpsBlock::MaxBlockBytes))
    {
        // A copy of fixed size, so that every read is plainly inside it.
        std::memcpy(Data.data(), Bytes.constData(), size_t(Size));
    }

    qsizetype Length() const { return Size; }
    bool Has(qsizetype At, qsizetype Bytes) const { return At >= 0 && Bytes >= 0 && At + Bytes <= Size; }
    char At(qsizetype Offset) const { return Has(Offset, 1) ? Data[size_t(Offset)] : '\0'; }
    quint32 Word(qsizetype At) const { return Has(At, 4) ? qFromLittleEndian<quint32>(Data.data() + At) : 0; }
    qint32 SignedWord(qsizetype At) const { return qint32(Word(At)); }
    quint16 BigHalf(qsizetype At) const { return Has(At, 2) ? qFromBigEndian<quint16>(Data.data() + At) : 0; }
    quint32 BigWord(qsizetype At) const { return Has(At, 4) ? qFromBigEndian<quint32>(Data.data() + At) : 0; }
    quint8 Byte(qsizetype At) const { return quint8(this->At(At)); }
    double Real(qsizetype At) const
    {
        const quint32 bits = Word(At);
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double Double(qsizetype At) const
    {
        const quint64 bits = Has(At, 8) ? qFromLittleEndian<quint64>(Data.data() + At) : 0;
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    bool Matches(qsizetype At, const char *Text, qsizetype Length) const
    {
        return Has(At, Length) && std::memcmp(Data.data() + At, Text, size_t(Length)) == 0;
    }
    bool IsZero(qsizetype At, qsizetype Length) const
    {
        return Has(At, Length) && std::all_of(Data.data() + At, Data.data() + At + Length, [](char C) { return C == 0; });
    }
    QByteArray Slice(qsizetype At, qsizetype Length) const
    {
        if (!Has(At, 0))
            return {};
        return QByteArray(Data.data() + At, std::min(Length, Size - At));
    }

private:
    qsizetype Size;
    std::array<char, FreeGpsBlock::MaxBlockBytes> Data{};
};

bool IsNorthSouth(char C)
{
    return C == 'N' || C == 'S';
}

bool IsEastWest(char C)
{
    return C == 'E' || C == 'W';
}

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

// A moment from its fields, in UTC, or local time turned into UTC; invalid
// when the fields are no plausible moment.
QDateTime Moment(quint32 Year, quint32 Month, quint32 Day, quint32 Hour, quint32 Minute, quint32 Second,
                 int Millisecond = 0, bool Local = false)
{
    if (Year <= LastShortYear)
        Year += CenturyBase;
    else if (Year < FirstFullYear || Year > LastFullYear)
        return {};
    // QDate and QTime reject what is out of range (month 13, hour 24, ...).
    if (Month > 12 || Day > 31 || Hour > 23 || Minute > 59 || Second > 59)
        return {};
    const QDate date{int(Year), int(Month), int(Day)};
    const QTime time{int(Hour), int(Minute), int(Second), Millisecond};
    if (!date.isValid() || !time.isValid())
        return {};
    if (Local)
        return QDateTime(date, time, Qt::LocalTime).toUTC();
    return QDateTime(date, time, QTimeZone::utc());
}

// Digits of Text from At as a number; -1 when any is no digit.
qint64 Digits(const QByteArray &Text, qsizetype At, qsizetype Count)
{
    if (At < 0 || At + Count > Text.size())
        return -1;
    qint64 value = 0;
    for (qsizetype i = At; i < At + Count; ++i) {
        if (!IsDigit(Text[i]))
            return -1;
        value = value * 10 + (Text[i] - '0');
    }
    return value;
}

// "YYYYMMDDhhmmss" at At as a moment in UTC.
QDateTime DigitMoment(const QByteArray &Text, qsizetype At)
{
    const qint64 year = Digits(Text, At, 4);
    const qint64 month = Digits(Text, At + 4, 2);
    const qint64 day = Digits(Text, At + 6, 2);
    const qint64 hour = Digits(Text, At + 8, 2);
    const qint64 minute = Digits(Text, At + 10, 2);
    const qint64 second = Digits(Text, At + 12, 2);
    if (std::min({year, month, day, hour, minute, second}) < 0)
        return {};
    return Moment(quint32(year), quint32(month), quint32(day), quint32(hour), quint32(minute), quint32(second));
}

// DDDMM.MMMM with its hemisphere as signed degrees; NaN when unreadable.
double FromDegreesMinutes(double Value, char Hemisphere, char Negative)
{
    const double degrees = GpsPosition::FromDegreesMinutes(Value);
    return Hemisphere == Negative ? -degrees : degrees;
}

// What a layout read, before it is checked.
struct Report
{
    QDateTime Utc;
    bool Fix = false;
    double Latitude = qQNaN();
    double Longitude = qQNaN();
    double SpeedKmh = qQNaN();
    double Course = qQNaN();
    double Altitude = qQNaN();
};

GpsFix ToFix(const Report &R)
{
    GpsFix fix;
    fix.Utc = R.Utc;
    if (!R.Fix || !GpsPosition::IsPlausible(R.Latitude, R.Longitude) || !(R.SpeedKmh >= 0.0 && R.SpeedKmh <= MaxSpeedKmh))
        return fix;
    fix.Valid = true;
    fix.Latitude = R.Latitude;
    fix.Longitude = R.Longitude;
    fix.SpeedKmh = R.SpeedKmh;
    if (R.Course >= 0.0 && R.Course <= FullCircle)
        fix.Course = R.Course;
    if (std::isfinite(R.Altitude))
        fix.Altitude = R.Altitude;
    return fix;
}

FreeGpsRecord One(Layout Kind, const Report &R)
{
    FreeGpsRecord record;
    record.Kind = Kind;
    record.Fixes.append(ToFix(R));
    return record;
}

void SetAcceleration(FreeGpsRecord &Record, double X, double Y, double Z)
{
    Record.HasAcceleration = true;
    Record.Acceleration = {X, Y, Z};
}

void SetWordAcceleration(FreeGpsRecord &Record, const Block &B, qsizetype At, double Scale)
{
    if (B.Has(At, 12))
        SetAcceleration(Record, B.SignedWord(At) / Scale, B.SignedWord(At + 4) / Scale, B.SignedWord(At + 8) / Scale);
}

// The NMEA sentences of Text, sealed anew, as one fix: the first epoch with
// a fix, else the first.
GpsFix NmeaFix(const QByteArray &Text, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    const QByteArray sentences = NmeaSentences::Resealed(Text);
    if (!Nmea || sentences.isEmpty())
        return {};
    GpsFixList fixes = NmeaSentences::Plausible(Nmea(sentences));
    // The block's second is the report's place.
    for (GpsFix &fix : fixes)
        fix.OffsetMs = 0;
    for (const GpsFix &fix : std::as_const(fixes)) {
        if (fix.Valid && fix.SpeedKmh <= MaxSpeedKmh)
            return fix;
    }
    GpsFix none = fixes.isEmpty() ? GpsFix() : fixes.first();
    none.Valid = false;
    return none;
}

// The time before a status byte, or an invalid one when it is no plausible
// moment.
QDateTime TimeAt(const Block &B, qsizetype At, bool LocalWhenFullYear = false)
{
    const quint32 year = B.Word(At + 12);
    return Moment(year, B.Word(At + 16), B.Word(At + 20), B.Word(At), B.Word(At + 4), B.Word(At + 8), 0,
                  LocalWhenFullYear && year >= FirstFullYear);
}

bool IsStatusAt(const Block &B, qsizetype At)
{
    const char status = B.At(At);
    return (status == FixStatus || status == NoFixStatus) && IsNorthSouth(B.At(At + 1)) && IsEastWest(B.At(At + 2));
}

// The report after a status byte: f32 DDMM.MMMM coordinates, knots, course.
Report FloatReportAt(const Block &B, qsizetype StatusAt, const QDateTime &Utc)
{
    Report r;
    r.Utc = Utc;
    r.Fix = B.At(StatusAt) == FixStatus;
    r.Latitude = FromDegreesMinutes(B.Real(StatusAt + LatitudeAfterStatus), B.At(StatusAt + 1), 'S');
    r.Longitude = FromDegreesMinutes(B.Real(StatusAt + LongitudeAfterStatus), B.At(StatusAt + 2), 'W');
    r.SpeedKmh = B.Real(StatusAt + SpeedAfterStatus) * KnotsToKmh;
    r.Course = B.Real(StatusAt + CourseAfterStatus);
    return r;
}

std::optional<FreeGpsRecord> XorText(const Block &B)
{
    if (!B.Matches(XorAt, XorMarker, XorMarkerLength))
        return std::nullopt;
    QByteArray text = B.Slice(XorAt, XorTextBytes);
    for (char &c : text)
        c = char(quint8(c) ^ XorKey);
    Report r;
    r.Utc = DigitMoment(text, XorDateAt);
    const qint64 latitude = Digits(text, XorLatitudeAt, XorLatitudeDigits);
    const qint64 longitude = Digits(text, XorLongitudeAt, XorLongitudeDigits);
    const char northSouth = text.size() > XorNorthSouthAt ? text[XorNorthSouthAt] : '\0';
    const char eastWest = text.size() > XorEastWestAt ? text[XorEastWestAt] : '\0';
    if (r.Utc.isValid() && latitude >= 0 && longitude >= 0 && IsNorthSouth(northSouth) && IsEastWest(eastWest)) {
        r.Fix = true;
        r.Latitude = FromDegreesMinutes(latitude / XorCoordinateScale, northSouth, 'S');
        r.Longitude = FromDegreesMinutes(longitude / XorCoordinateScale, eastWest, 'W');
        const qint64 speed = Digits(text, XorSpeedAt, XorSpeedDigits);
        const qint64 shortSpeed = Digits(text, XorShortSpeedAt, XorShortSpeedDigits);
        const char sign = text.size() > XorSpeedAt ? text[XorSpeedAt] : '\0';
        if (speed >= 0)
            r.SpeedKmh = double(speed);
        else if ((sign == '+' || sign == '-') && shortSpeed >= 0)
            r.SpeedKmh = double(shortSpeed);
        else
            r.SpeedKmh = 0.0;
    }
    FreeGpsRecord record = One(Layout::XorText, r);
    for (const qsizetype at : {XorAccelerationAt, XorLateAccelerationAt}) {
        double axes[3];
        bool read = true;
        for (int axis = 0; axis < 3 && read; ++axis) {
            const qsizetype field = at + axis * 4;
            const qint64 value = Digits(text, field + 1, 3);
            const char sign = text.size() > field ? text[field] : '\0';
            read = value >= 0 && (sign == '+' || sign == '-');
            axes[axis] = (sign == '-' ? -value : value) / HundredthsOfG;
        }
        if (read) {
            SetAcceleration(record, axes[0], axes[1], axes[2]);
            break;
        }
    }
    return record;
}

std::optional<FreeGpsRecord> NmeaText(const Block &B, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    const QByteArray camera = B.Slice(CameraTimeAt, DateTimeDigits);
    if (Digits(camera, 0, DateTimeDigits) < 0 || !B.Slice(NmeaTextAt, B.Length()).contains('$'))
        return std::nullopt;
    FreeGpsRecord record;
    record.Kind = Layout::NmeaText;
    record.Fixes.append(NmeaFix(B.Slice(NmeaTextAt, B.Length()), Nmea));
    if (record.Fixes.first().Valid)
        SetWordAcceleration(record, B, NmeaAccelerationAt, EarlyAccelerationScale);
    return record;
}

std::optional<FreeGpsRecord> EarlyFloatReport(const Block &B)
{
    if (!B.IsZero(EarlyStatusAt - 3, 3) || !IsStatusAt(B, EarlyStatusAt) || !B.Has(EarlyAccelerationAt, 0))
        return std::nullopt;
    // A full year marks firmware that writes the recorder's local time; the
    // year less 2000 comes with UTC (some write both in the same video).
    const QDateTime utc = TimeAt(B, EarlyTimeAt, true);
    if (!utc.isValid())
        return std::nullopt;
    FreeGpsRecord record = One(Layout::FloatReport, FloatReportAt(B, EarlyStatusAt, utc));
    const QByteArray axes = B.Slice(EarlyAccelerationAt, 12);
    if (axes.size() == 12 && axes != QByteArray(12, '\0') && axes != QByteArray(EarlyNoAcceleration, 12))
        SetWordAcceleration(record, B, EarlyAccelerationAt, EarlyAccelerationScale);
    return record;
}

std::optional<FreeGpsRecord> FloatStatusWord(const Block &B, FreeGpsBlock::Found How)
{
    if (B.At(WordStatusAt) != FixStatus || B.At(WordStatusAt + 1) != 0 || !IsNorthSouth(B.At(WordNorthSouthAt))
        || B.At(WordNorthSouthAt + 1) != 0 || !IsEastWest(B.At(WordEastWestAt)) || B.At(WordEastWestAt + 1) != 0
        || !B.Has(WordDateAt, 12))
        return std::nullopt;
    Report r;
    r.Utc = Moment(B.Word(WordDateAt), B.Word(WordDateAt + 4), B.Word(WordDateAt + 8), B.Word(LateTimeAt),
                   B.Word(LateTimeAt + 4), B.Word(LateTimeAt + 8));
    if (!r.Utc.isValid())
        return std::nullopt;
    r.Fix = true;
    r.Latitude = FromDegreesMinutes(B.Real(WordLatitudeAt), B.At(WordNorthSouthAt), 'S');
    r.Longitude = FromDegreesMinutes(B.Real(WordLongitudeAt), B.At(WordEastWestAt), 'W');
    r.SpeedKmh = B.Real(WordSpeedAt);
    r.Course = B.Real(WordCourseAt);
    // Indexed blocks of this layout store the course half a turn off.
    if (How == FreeGpsBlock::Found::Indexed && std::isfinite(r.Course))
        r.Course = std::fmod(r.Course + HalfTurn, FullCircle);
    FreeGpsRecord record = One(Layout::FloatStatusWord, r);
    SetWordAcceleration(record, B, WordAccelerationAt, ThousandthsOfG);
    return record;
}

std::optional<FreeGpsRecord> ShiftedNmea(const Block &B, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    if (!B.Matches(ShiftedAt, ShiftedMarker, sizeof(ShiftedMarker) - 1) || !B.Has(ShiftedAt, ShiftedBytes))
        return std::nullopt;
    QByteArray text = B.Slice(ShiftedAt, ShiftedBytes);
    for (char &c : text)
        c = quint8(c) >= Shift ? char(quint8(c) - Shift) : '\0';
    FreeGpsRecord record;
    record.Kind = Layout::ShiftedNmea;
    record.Fixes.append(NmeaFix(text, Nmea));
    return record;
}

std::optional<FreeGpsRecord> FloatYearFirst(const Block &B)
{
    if (B.At(YearFirstStatusAt) != FixStatus || !IsNorthSouth(B.At(YearFirstStatusAt + 1))
        || !IsEastWest(B.At(YearFirstStatusAt + 2)) || B.At(YearFirstStatusAt + 3) != 0
        || !B.Has(YearFirstAltitudeAt, 4))
        return std::nullopt;
    const qsizetype t = YearFirstTimeAt;
    const quint32 month = B.Word(t + 4);
    const quint32 day = B.Word(t + 8);
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    Report r;
    r.Utc = Moment(B.Word(t), month, day, B.Word(t + 12), B.Word(t + 16), B.Word(t + 20));
    if (!r.Utc.isValid())
        return std::nullopt;
    r.Fix = true;
    r.Latitude = FromDegreesMinutes(B.Real(YearFirstLatitudeAt), B.At(YearFirstStatusAt + 1), 'S');
    r.Longitude = FromDegreesMinutes(B.Real(YearFirstLongitudeAt), B.At(YearFirstStatusAt + 2), 'W');
    r.SpeedKmh = B.Real(YearFirstSpeedAt) * KnotsToKmh;
    r.Course = B.Real(YearFirstCourseAt);
    r.Altitude = B.Real(YearFirstAltitudeAt);
    FreeGpsRecord record = One(Layout::FloatYearFirst, r);
    SetWordAcceleration(record, B, YearFirstAccelerationAt, ThousandthsOfG);
    return record;
}

std::optional<FreeGpsRecord> DoubleReport(const Block &B)
{
    if (B.At(WordStatusAt) != FixStatus || B.At(WordStatusAt + 1) != 0 || !IsNorthSouth(B.At(DoubleNorthSouthAt))
        || B.At(DoubleNorthSouthAt + 1) != 0 || !IsEastWest(B.At(DoubleEastWestAt))
        || B.At(DoubleEastWestAt + 1) != 0 || !B.Has(DoubleDateAt, 12))
        return std::nullopt;
    Report r;
    r.Utc = Moment(B.Word(DoubleDateAt), B.Word(DoubleDateAt + 4), B.Word(DoubleDateAt + 8), B.Word(LateTimeAt),
                   B.Word(LateTimeAt + 4), B.Word(LateTimeAt + 8));
    if (!r.Utc.isValid())
        return std::nullopt;
    r.Fix = true;
    r.Latitude = FromDegreesMinutes(B.Double(DoubleLatitudeWordAt), B.At(DoubleNorthSouthAt), 'S');
    r.Longitude = FromDegreesMinutes(B.Double(DoubleLongitudeWordAt), B.At(DoubleEastWestAt), 'W');
    r.SpeedKmh = B.Double(DoubleSpeedAt) * KnotsToKmh;
    r.Course = B.Double(DoubleCourseAt);
    FreeGpsRecord record = One(Layout::DoubleReport, r);
    SetWordAcceleration(record, B, DoubleAccelerationAt, ThousandthsOfG);
    return record;
}

std::optional<FreeGpsRecord> LateReport(const Block &B)
{
    if (!IsStatusAt(B, LateStatusAt) || !B.Has(LateStatusAt, ReportAfterStatus))
        return std::nullopt;
    const QDateTime utc = TimeAt(B, LateTimeAt);
    if (!utc.isValid())
        return std::nullopt;
    if (B.Matches(FirmwareNameAt, IntegerFirmware, sizeof(IntegerFirmware) - 1)) {
        Report r;
        r.Utc = utc;
        r.Fix = B.At(LateStatusAt) == FixStatus;
        const double latitude = std::fabs(B.SignedWord(LateStatusAt + LatitudeAfterStatus) / IntegerDegreeScale);
        const double longitude = std::fabs(B.SignedWord(LateStatusAt + LongitudeAfterStatus) / IntegerDegreeScale);
        r.Latitude = B.At(LateStatusAt + 1) == 'S' ? -latitude : latitude;
        r.Longitude = B.At(LateStatusAt + 2) == 'W' ? -longitude : longitude;
        r.SpeedKmh = B.SignedWord(LateStatusAt + SpeedAfterStatus) / CentimetresPerMetre * MetresPerSecondToKmh;
        r.Altitude = B.Real(LateStatusAt + CourseAfterStatus) / MillimetresPerMetre;
        return One(Layout::IntegerReport, r);
    }
    Report r = FloatReportAt(B, LateStatusAt, utc);
    // Some firmware repeats the coordinates as doubles, more precisely.
    if (B.Has(DoubleAltitudeAt, 8)) {
        const double latitude = FromDegreesMinutes(B.Double(DoubleLatitudeAt), B.At(LateStatusAt + 1), 'S');
        const double longitude = FromDegreesMinutes(B.Double(DoubleLongitudeAt), B.At(LateStatusAt + 2), 'W');
        if (std::fabs(latitude - r.Latitude) < SameCoordinate && std::fabs(longitude - r.Longitude) < SameCoordinate) {
            r.Latitude = latitude;
            r.Longitude = longitude;
            r.Altitude = B.Double(DoubleAltitudeAt);
        }
    }
    return One(Layout::FloatReport, r);
}

std::optional<FreeGpsRecord> FloatRecords(const Block &B)
{
    auto isRecordAt = [&B](qsizetype At) {
        return B.At(At) == FixStatus && IsNorthSouth(B.At(At + 1)) && IsEastWest(B.At(At + 2)) && B.At(At + 3) == 0
            && B.Has(At, FloatRecordBytes);
    };
    if (!isRecordAt(FirstRecordAt))
        return std::nullopt;
    FreeGpsRecord record;
    record.Kind = Layout::FloatRecords;
    QList<Report> reports;
    for (qsizetype at = FirstRecordAt; at + FloatRecordBytes <= B.Length();) {
        if (!isRecordAt(at)) {
            ++at;
            continue;
        }
        Report r;
        r.Fix = true;
        r.Latitude = FromDegreesMinutes(std::fabs(B.Real(at + 4)), B.At(at + 1), 'S');
        r.Longitude = FromDegreesMinutes(std::fabs(B.Real(at + 8)), B.At(at + 2), 'W');
        r.SpeedKmh = B.Real(at + 12) * KnotsToKmh;
        r.Course = B.Real(at + 16);
        if (reports.isEmpty())
            SetAcceleration(record, B.SignedWord(at + 20), B.SignedWord(at + 24), B.SignedWord(at + 28));
        reports.append(r);
        at += FloatRecordBytes;
    }
    for (qsizetype i = 0; i < reports.size(); ++i) {
        GpsFix fix = ToFix(reports[i]);
        fix.OffsetMs = i * MillisecondsPerSecond / reports.size();
        record.Fixes.append(fix);
    }
    return record;
}

std::optional<FreeGpsRecord> DoubleReportEarlyStatus(const Block &B)
{
    if (B.At(EarlyWordStatusAt) != FixStatus || !IsNorthSouth(B.At(EarlyWordNorthSouthAt))
        || !IsEastWest(B.At(EarlyWordEastWestAt)) || !B.Has(EarlyWordDateAt, 12))
        return std::nullopt;
    const qsizetype t = EarlyWordTimeAt;
    Report r;
    r.Utc = Moment(B.Word(EarlyWordDateAt), B.Word(EarlyWordDateAt + 4), B.Word(EarlyWordDateAt + 8), B.Word(t),
                   B.Word(t + 4), B.Word(t + 8));
    if (!r.Utc.isValid())
        return std::nullopt;
    r.Fix = true;
    r.Latitude = FromDegreesMinutes(std::fabs(B.Double(EarlyWordLatitudeAt)), B.At(EarlyWordNorthSouthAt), 'S');
    r.Longitude = FromDegreesMinutes(std::fabs(B.Double(EarlyWordLongitudeAt)), B.At(EarlyWordEastWestAt), 'W');
    r.SpeedKmh = B.Double(EarlyWordSpeedAt) * KnotsToKmh;
    r.Course = B.Double(EarlyWordCourseAt);
    FreeGpsRecord record = One(Layout::DoubleReportEarlyStatus, r);
    SetWordAcceleration(record, B, EarlyWordAccelerationAt, ThousandthsOfG);
    return record;
}

std::optional<FreeGpsRecord> IntegerRecords(const Block &B)
{
    QList<Report> reports;
    for (qsizetype at = IntegerRecordsAt; B.Has(at, IntegerRecordUsed); at += IntegerRecordBytes) {
        const quint32 year = B.BigHalf(at + 4);
        const quint32 month = B.Byte(at + 6);
        const quint32 day = B.Byte(at + 7);
        const quint32 hour = B.Byte(at + 8);
        const quint32 minute = B.Byte(at + 9);
        const quint32 tenths = B.BigHalf(at + 10);
        if (year < FirstFullYear || year > LastFullYear || month < 1 || day < 1 || tenths > MaxTenthsOfSecond)
            break;
        Report r;
        r.Utc = Moment(year, month, day, hour, minute, tenths / 10, int(tenths % 10) * 100);
        if (!r.Utc.isValid())
            break;
        r.Fix = true;
        r.Latitude = qint32(B.BigWord(at + 13)) / IntegerDegreeScale;
        r.Longitude = qint32(B.BigWord(at + 17)) / IntegerDegreeScale;
        r.SpeedKmh = B.BigHalf(at) / CentimetresPerMetre * MetresPerSecondToKmh;
        double course = qint16(B.BigHalf(at + 2)) / CentimetresPerMetre;
        r.Course = course < 0.0 ? course + FullCircle : course;
        reports.append(r);
    }
    if (reports.isEmpty())
        return std::nullopt;
    FreeGpsRecord record;
    record.Kind = Layout::IntegerRecords;
    for (qsizetype i = 0; i < reports.size(); ++i) {
        GpsFix fix = ToFix(reports[i]);
        fix.OffsetMs = i * MillisecondsPerSecond / reports.size();
        record.Fixes.append(fix);
    }
    return record;
}

// The first status byte after a plausible time, anywhere in the block: for
// firmware that moves the report by a few bytes.
std::optional<FreeGpsRecord> FoundFloatReport(const Block &B)
{
    for (qsizetype at = ReportStart + TimeBytes; at + ReportAfterStatus <= B.Length(); ++at) {
        if (!IsStatusAt(B, at))
            continue;
        const QDateTime utc = TimeAt(B, at - TimeBytes);
        if (!utc.isValid())
            continue;
        return One(Layout::FloatReport, FloatReportAt(B, at, utc));
    }
    return std::nullopt;
}

} // namespace

bool FreeGpsBlock::IsBlockStart(QByteArrayView Bytes)
{
    return Bytes.size() >= ReportStart && Bytes.sliced(MarkerAt, MarkerLength) == QByteArrayView(BlockMarker);
}

FreeGpsRecord FreeGpsBlock::Parse(const QByteArray &Bytes, Found How, const NmeaToFixes &Nmea)
{
    FreeGpsRecord unknown;
    unknown.Fixes.append(GpsFix());
    if (!IsBlockStart(Bytes))
        return unknown;
    const Block block(Bytes);
    // Told apart by the characters each layout has at its own places; the
    // strictest tests come first, the search for a report anywhere last.
    std::optional<FreeGpsRecord> found = XorText(block);
    if (!found)
        found = NmeaText(block, Nmea);
    if (!found)
        found = EarlyFloatReport(block);
    if (!found)
        found = FloatStatusWord(block, How);
    if (!found)
        found = ShiftedNmea(block, Nmea);
    if (!found)
        found = FloatYearFirst(block);
    if (!found)
        found = DoubleReport(block);
    if (!found)
        found = LateReport(block);
    if (!found)
        found = FloatRecords(block);
    if (!found)
        found = DoubleReportEarlyStatus(block);
    if (!found)
        found = IntegerRecords(block);
    if (!found)
        found = FoundFloatReport(block);
    return found ? *found : unknown;
}

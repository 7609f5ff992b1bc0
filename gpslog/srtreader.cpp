#include "srtreader.h"

#include "gpslog/cappedlines.h"
#include "gpslog/chunkedfeed.h"
#include "gpslog/gpsposition.h"

#include <QDateTime>
#include <QIODevice>
#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <optional>

namespace {

// A cue's lines are a few hundred bytes; a longer line is no cue's.
constexpr qsizetype MaxLineBytes = 4096;

constexpr QByteArrayView Utf8Bom("\xef\xbb\xbf");

// A carriage return before it is trimmed with the line's blanks.
bool IsLineEnd(char C)
{
    return C == '\n';
}

constexpr qint64 MsPerSecond = 1000;
constexpr qint64 MsPerMinute = 60 * MsPerSecond;
constexpr qint64 MsPerHour = 60 * MsPerMinute;
constexpr double MetresPerSecondToKmh = 3.6;
// Metres per millisecond to kilometres per hour.
constexpr double MetresPerMsToKmh = 3600.0;
// Speed is worked out over at least this span: cues a frame apart carry
// positions rounded to a metre, which would make the needle jump.
constexpr qint64 SpeedSpanMs = 1000;
constexpr int MillisecondDigits = 3;

// Marks a line must hold before a pattern is tried on it.
constexpr QByteArrayView TimingMark("-->");
constexpr QByteArrayView GpsMark("GPS");
constexpr QByteArrayView LatitudeMark("latitude");
constexpr QByteArrayView SpeedMark("H.S");
// "yyyy-MM-dd" or "yyyy.MM.dd".
constexpr qsizetype DateMarkLength = 10;

// A decimal number as the cues write them; its length bounded so that it
// always reads as a finite double.
const QString &NumberPattern()
{
    static const QString pattern = QStringLiteral("([-+]?\\d{1,12}(?:\\.\\d{1,12})?)");
    return pattern;
}

// "00:00:01,000 --> 00:00:02,000": the start is the cue's place.
const QRegularExpression &TimingPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,4}):(\\d{2}):(\\d{2})[,.](\\d{1,3})\\s*-->"));
    return pattern;
}

// "2021-12-25 12:27:52.373", "2022-08-07 13:40:40,774,808",
// "2017.08.05 14:11:51", anywhere on its line.
const QRegularExpression &ClockPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("(\\d{4})[-.](\\d{2})[-.](\\d{2})[ T](\\d{2}):(\\d{2}):(\\d{2})(?:[.,](\\d{1,9}))?"));
    return pattern;
}

// "GPS(lon,lat,alt)", "GPS (lon, lat, alt)", "GPS(lat,lon,altM)", and
// without the altitude.
const QRegularExpression &GpsPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("\\bGPS\\s*\\(\\s*%1\\s*,\\s*%1\\s*(?:,\\s*%1\\s*(M?)\\s*)?\\)").arg(NumberPattern()));
    return pattern;
}

const QRegularExpression &LatitudePattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\[\\s*latitude\\s*:\\s*%1\\s*\\]").arg(NumberPattern()));
    return pattern;
}

const QRegularExpression &LongitudePattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\[\\s*longt?itude\\s*:\\s*%1\\s*\\]").arg(NumberPattern()));
    return pattern;
}

// "[altitude: 117.0]", or the height above sea level of "[rel_alt: -2.4
// abs_alt: 0.4]".
const QRegularExpression &AltitudePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("(?:\\[\\s*altitude\\s*:|\\babs_alt\\s*:)\\s*%1").arg(NumberPattern()));
    return pattern;
}

// "H.S 2.88m/s" (horizontal speed); "H.S n/a" gives none.
const QRegularExpression &SpeedPattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\bH\\.S\\s*%1\\s*m/s").arg(NumberPattern()));
    return pattern;
}

double Number(const QRegularExpressionMatch &Match, int Group)
{
    bool ok = false;
    const double value = Match.capturedView(Group).toDouble(&ok);
    return ok && std::isfinite(value) ? value : qQNaN();
}

int Integer(const QRegularExpressionMatch &Match, int Group)
{
    return Match.capturedView(Group).toInt();
}

// What one cue says.
struct Cue
{
    qint64 StartMs = -1;
    QDateTime Clock;
    bool HasPosition = false;
    double Latitude = qQNaN();
    double Longitude = qQNaN();
    double Altitude = qQNaN();
    double SpeedKmh = qQNaN();
    // Anything read into it, so that a blank line ends it.
    bool Started = false;
};

class TelemetryBuilder
{
public:
    void Feed(QByteArrayView Data)
    {
        if (!BomChecked) {
            // The mark can only be told once three bytes have come.
            Head.append(Data);
            if (Head.size() < Utf8Bom.size())
                return;
            BomChecked = true;
            const QByteArray head = std::move(Head);
            Head = QByteArray();
            FeedLines(QByteArrayView(head).sliced(head.startsWith(Utf8Bom) ? Utf8Bom.size() : 0));
            return;
        }
        FeedLines(Data);
    }

    SrtTelemetry Finish()
    {
        if (!BomChecked)
            FeedLines(Head);
        Lines.Finish([this](QByteArrayView Line) { AddLine(Line); });
        EndCue();
        WorkOutSpeeds();
        return std::move(Telemetry);
    }

    void SetReadError() { Telemetry.ReadError = true; }

private:
    void FeedLines(QByteArrayView Data)
    {
        Lines.Feed(Data, [this](QByteArrayView Line) { AddLine(Line); });
    }

    // Most lines of a cue hold none of what is read (its index, camera
    // settings): a line becomes text for the patterns only when its bytes
    // hold one of their marks.
    void AddLine(QByteArrayView Bytes)
    {
        Bytes = Trimmed(Bytes);
        if (Bytes.isEmpty()) {
            EndCue();
            return;
        }
        Current.Started = true;
        const bool timing = Bytes.contains(TimingMark);
        const bool position = !Current.HasPosition && (Bytes.contains(GpsMark) || Bytes.contains(LatitudeMark));
        const bool clock = !Current.Clock.isValid() && HoldsDate(Bytes);
        const bool speed = std::isnan(Current.SpeedKmh) && Bytes.contains(SpeedMark);
        if (!timing && !position && !clock && !speed)
            return;
        const QString line = QString::fromUtf8(Bytes);
        if (timing && ReadTiming(line))
            return;
        if (position)
            ReadPosition(line);
        if (clock)
            ReadClock(line);
        if (speed) {
            const QRegularExpressionMatch match = SpeedPattern().match(line);
            if (match.hasMatch())
                Current.SpeedKmh = std::fabs(Number(match, 1)) * MetresPerSecondToKmh;
        }
    }

    static QByteArrayView Trimmed(QByteArrayView Bytes)
    {
        const auto blank = [](char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\v' || C == '\f'; };
        while (!Bytes.isEmpty() && blank(Bytes.front()))
            Bytes = Bytes.sliced(1);
        while (!Bytes.isEmpty() && blank(Bytes.back()))
            Bytes.chop(1);
        return Bytes;
    }

    // Four digits, a "-" or ".", two digits and the same mark again: where
    // a date may start.
    static bool HoldsDate(QByteArrayView Bytes)
    {
        const auto digit = [&Bytes](qsizetype At) { return Bytes[At] >= '0' && Bytes[At] <= '9'; };
        for (qsizetype k = 0; k + DateMarkLength <= Bytes.size(); ++k) {
            const char mark = Bytes[k + 4];
            if ((mark == '-' || mark == '.') && Bytes[k + 7] == mark && digit(k) && digit(k + 1) && digit(k + 2)
                && digit(k + 3) && digit(k + 5) && digit(k + 6))
                return true;
        }
        return false;
    }

    // A timing line starts the cue's place; another one starts the next
    // cue, in files that leave out the blank line between them.
    bool ReadTiming(const QString &Line)
    {
        const QRegularExpressionMatch timing = TimingPattern().match(Line);
        if (!timing.hasMatch())
            return false;
        if (Current.StartMs >= 0) {
            EndCue();
            Current.Started = true;
        }
        Current.StartMs = Integer(timing, 1) * MsPerHour + Integer(timing, 2) * MsPerMinute
            + Integer(timing, 3) * MsPerSecond + Milliseconds(timing.capturedView(4));
        return true;
    }

    static qint64 Milliseconds(QStringView Fraction)
    {
        qint64 ms = 0;
        for (int k = 0; k < MillisecondDigits; ++k)
            ms = ms * 10 + (k < Fraction.size() ? Fraction[k].digitValue() : 0);
        return ms;
    }

    void ReadPosition(const QString &Line)
    {
        if (Line.contains(QLatin1String(GpsMark.data(), GpsMark.size()))) {
            const QRegularExpressionMatch gps = GpsPattern().match(Line);
            if (gps.hasMatch()) {
                // The Matrice-style form gives the altitude in metres with
                // its unit and the latitude first; the older forms give a
                // bare altitude and the longitude first.
                const bool latitudeFirst = !gps.capturedView(4).isEmpty();
                Current.Latitude = Number(gps, latitudeFirst ? 1 : 2);
                Current.Longitude = Number(gps, latitudeFirst ? 2 : 1);
                Current.Altitude = Number(gps, 3);
                Current.HasPosition = true;
                return;
            }
        }
        if (Line.contains(QLatin1String(LatitudeMark.data(), LatitudeMark.size()))) {
            const QRegularExpressionMatch latitude = LatitudePattern().match(Line);
            const QRegularExpressionMatch longitude = LongitudePattern().match(Line);
            if (latitude.hasMatch() && longitude.hasMatch()) {
                Current.Latitude = Number(latitude, 1);
                Current.Longitude = Number(longitude, 1);
                const QRegularExpressionMatch altitude = AltitudePattern().match(Line);
                if (altitude.hasMatch())
                    Current.Altitude = Number(altitude, 1);
                Current.HasPosition = true;
            }
        }
    }

    void ReadClock(const QString &Line)
    {
        const QRegularExpressionMatch clock = ClockPattern().match(Line);
        if (!clock.hasMatch())
            return;
        const QDate date(Integer(clock, 1), Integer(clock, 2), Integer(clock, 3));
        const QTime time(Integer(clock, 4), Integer(clock, 5), Integer(clock, 6),
                         int(Milliseconds(clock.capturedView(7))));
        if (date.isValid() && time.isValid())
            Current.Clock = QDateTime(date, time, Qt::LocalTime);
    }

    void EndCue()
    {
        if (!Current.Started)
            return;
        ++Telemetry.Cues;
        if (Current.HasPosition)
            AppendFix();
        Current = Cue();
    }

    void AppendFix()
    {
        GpsFix fix;
        if (GpsPosition::IsPlausible(Current.Latitude, Current.Longitude)) {
            fix.Valid = true;
            fix.Latitude = Current.Latitude;
            fix.Longitude = Current.Longitude;
        }
        fix.Altitude = Current.Altitude;
        if (Current.Clock.isValid())
            fix.Utc = Current.Clock.toUTC();
        fix.OffsetMs = OffsetOf(Current);
        SpeedGiven.append(!std::isnan(Current.SpeedKmh));
        fix.SpeedKmh = SpeedGiven.constLast() ? Current.SpeedKmh : 0.0;
        if (!std::isfinite(fix.SpeedKmh))
            fix.SpeedKmh = 0.0;
        Telemetry.Fixes.append(fix);
        LastClock = Current.Clock;
    }

    qint64 OffsetOf(const Cue &C) const
    {
        if (C.StartMs >= 0)
            return C.StartMs;
        if (Telemetry.Fixes.isEmpty())
            return 0;
        const qint64 previous = Telemetry.Fixes.constLast().OffsetMs;
        if (LastClock.isValid() && C.Clock.isValid()) {
            const qint64 step = LastClock.msecsTo(C.Clock);
            if (step >= 0)
                return previous + step;
        }
        return previous + MsPerSecond;
    }

    // See SrtTelemetry::Fixes. The fix a second or more before is looked
    // for by a scan that only moves forward, so that cues at one time (or
    // out of order) cost no more than the others.
    void WorkOutSpeeds()
    {
        GpsFixList &fixes = Telemetry.Fixes;
        qsizetype scan = 0;
        qsizetype earlier = -1;
        double firstWorkedOut = qQNaN();
        QList<qsizetype> waiting;
        for (qsizetype k = 0; k < fixes.size(); ++k) {
            GpsFix &fix = fixes[k];
            if (!fix.Valid)
                continue;
            for (; scan < k; ++scan) {
                if (!fixes[scan].Valid)
                    continue;
                if (fix.OffsetMs - fixes[scan].OffsetMs < SpeedSpanMs)
                    break;
                earlier = scan;
            }
            if (SpeedGiven[k])
                continue;
            const qint64 span = earlier < 0 ? 0 : fix.OffsetMs - fixes[earlier].OffsetMs;
            if (span < SpeedSpanMs) {
                waiting.append(k);
                continue;
            }
            const GpsFix &before = fixes[earlier];
            fix.SpeedKmh = GpsPosition::DistanceMetres(before.Latitude, before.Longitude, fix.Latitude, fix.Longitude)
                / double(span) * MetresPerMsToKmh;
            if (std::isnan(firstWorkedOut))
                firstWorkedOut = fix.SpeedKmh;
        }
        if (!std::isnan(firstWorkedOut)) {
            for (const qsizetype k : std::as_const(waiting))
                fixes[k].SpeedKmh = firstWorkedOut;
        }
    }

    SrtTelemetry Telemetry;
    QList<bool> SpeedGiven;
    Cue Current;
    QDateTime LastClock;
    QByteArray Head;
    bool BomChecked = false;
    CappedLines<bool (*)(char)> Lines{MaxLineBytes, IsLineEnd};
};

} // namespace

SrtTelemetry SrtReader::Read(QByteArrayView Bytes)
{
    TelemetryBuilder builder;
    builder.Feed(Bytes);
    return builder.Finish();
}

SrtTelemetry SrtReader::Read(QIODevice &Device)
{
    TelemetryBuilder builder;
    FeedInChunks(Device, builder);
    return builder.Finish();
}

bool SrtReader::LooksLikeTelemetry(QByteArrayView Head)
{
    const QString text = QString::fromUtf8(Head);
    return GpsPattern().match(text).hasMatch()
        || (LatitudePattern().match(text).hasMatch() && LongitudePattern().match(text).hasMatch());
}

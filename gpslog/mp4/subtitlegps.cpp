#include "subtitlegps.h"

#include "gpslog/gpsposition.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/mp4sampletable.h"
#include "gpslog/mp4/nmeasentences.h"

#include <QDate>
#include <QList>
#include <QTime>
#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr qsizetype LengthBytes = 2;
constexpr char SentenceStart = '$';
// A number longer than this is no coordinate or speed.
constexpr qsizetype MaxNumberChars = 24;
constexpr double KmhPerMph = 1.609344;
constexpr double KmhPerMetrePerSecond = 3.6;
constexpr double KmhPerKnot = 1.852;
// Faster than any car: a speed above this is a misread line.
constexpr double MaxSpeedKmh = 1000.0;
constexpr int SecondsPerMinute = 60;
constexpr int MinutesPerHour = 60;
constexpr int MaxOffsetMinutes = 14 * MinutesPerHour;

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

bool IsSeparator(char C)
{
    return C == ' ' || C == '\t' || C == ',' || C == ';' || C == '\r' || C == '\n';
}

QList<QByteArrayView> Tokens(QByteArrayView Line)
{
    QList<QByteArrayView> tokens;
    qsizetype start = -1;
    for (qsizetype k = 0; k <= Line.size(); ++k) {
        const bool separator = k == Line.size() || IsSeparator(Line[k]);
        if (separator && start >= 0) {
            tokens.append(Line.sliced(start, k - start));
            start = -1;
        } else if (!separator && start < 0) {
            start = k;
        }
    }
    return tokens;
}

// Digits, at most one point, an optional sign; anything else is no number.
std::optional<double> Number(QByteArrayView Text)
{
    if (Text.isEmpty() || Text.size() > MaxNumberChars)
        return std::nullopt;
    qsizetype at = 0;
    bool negative = false;
    if (Text[0] == '-' || Text[0] == '+') {
        negative = Text[0] == '-';
        at = 1;
    }
    int digits = 0;
    int points = 0;
    for (qsizetype k = at; k < Text.size(); ++k) {
        if (IsDigit(Text[k]))
            ++digits;
        else if (Text[k] == '.')
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    double value = 0.0;
    const char *end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data() + at, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return negative ? -value : value;
}

// The numbers of Text (four digits at most each) between Separators.
QList<int> Fields(QByteArrayView Text, const char *Separators)
{
    QList<int> fields;
    int value = 0;
    int digits = 0;
    for (const char c : Text) {
        if (IsDigit(c)) {
            if (++digits > 4)
                return {};
            value = value * 10 + (c - '0');
        } else if (std::strchr(Separators, c) && c != '\0') {
            if (digits == 0)
                return {};
            fields.append(value);
            value = 0;
            digits = 0;
        } else {
            return {};
        }
    }
    if (digits == 0)
        return {};
    fields.append(value);
    return fields;
}

QDate ParseDate(QByteArrayView Text)
{
    const QList<int> fields = Fields(Text, "-/.");
    if (fields.size() != 3 || fields[0] < 1000)
        return {};
    return QDate(fields[0], fields[1], fields[2]);
}

// "hh:mm:ss" with an optional fraction of a second.
QTime ParseTime(QByteArrayView Text)
{
    const qsizetype point = Text.indexOf('.');
    const QByteArrayView whole = point < 0 ? Text : Text.first(point);
    const QList<int> fields = Fields(whole, ":");
    if (fields.size() != 3)
        return {};
    int ms = 0;
    if (point >= 0) {
        const QByteArrayView fraction = Text.sliced(point + 1);
        if (fraction.isEmpty())
            return {};
        int scale = 100;
        for (const char c : fraction) {
            if (!IsDigit(c))
                return {};
            ms += (c - '0') * scale;
            scale /= 10;
        }
    }
    return QTime(fields[0], fields[1], fields[2], ms);
}

// The zone a token names: UTC, or an offset "+hh:mm"; nothing otherwise.
std::optional<int> ZoneOffsetSeconds(QByteArrayView Token)
{
    if (Token == "Z" || Token == "UTC" || Token == "GMT")
        return 0;
    if (Token.size() != 6 || (Token[0] != '+' && Token[0] != '-') || Token[3] != ':')
        return std::nullopt;
    const QList<int> fields = Fields(Token.sliced(1), ":");
    if (fields.size() != 2 || fields[1] >= MinutesPerHour)
        return std::nullopt;
    const int minutes = fields[0] * MinutesPerHour + fields[1];
    if (minutes > MaxOffsetMinutes)
        return std::nullopt;
    return (Token[0] == '-' ? -minutes : minutes) * SecondsPerMinute;
}

// Signed degrees, or degrees with a hemisphere letter before or after them.
std::optional<double> Coordinate(QByteArrayView Token, char Positive, char Negative)
{
    if (Token.isEmpty())
        return std::nullopt;
    char hemisphere = '\0';
    if (Token.front() == Positive || Token.front() == Negative) {
        hemisphere = Token.front();
        Token = Token.sliced(1);
    } else if (Token.back() == Positive || Token.back() == Negative) {
        hemisphere = Token.back();
        Token.chop(1);
    }
    if (!Token.isEmpty() && Token.front() == ':')
        Token = Token.sliced(1);
    const std::optional<double> value = Number(Token);
    if (!value || (hemisphere != '\0' && *value < 0.0))
        return std::nullopt;
    return hemisphere == Negative ? -*value : *value;
}

// Kilometres an hour per unit of a unit's name; nothing for no unit.
std::optional<double> UnitScale(QByteArrayView Unit)
{
    const QByteArray unit = Unit.toByteArray().toLower();
    if (unit == "km/h" || unit == "kmh" || unit == "kph")
        return 1.0;
    if (unit == "mph")
        return KmhPerMph;
    if (unit == "m/s")
        return KmhPerMetrePerSecond;
    if (unit == "kn" || unit == "knots" || unit == "kt")
        return KmhPerKnot;
    return std::nullopt;
}

// A speed with its unit joined to it or in the next token.
std::optional<double> Speed(QByteArrayView Token, QByteArrayView Next)
{
    qsizetype end = 0;
    while (end < Token.size() && (IsDigit(Token[end]) || Token[end] == '.' || (end == 0 && Token[end] == '+')))
        ++end;
    const std::optional<double> value = Number(Token.first(end));
    if (!value)
        return std::nullopt;
    if (end < Token.size()) {
        const std::optional<double> scale = UnitScale(Token.sliced(end));
        if (!scale)
            return std::nullopt;
        return *value * *scale;
    }
    return *value * UnitScale(Next).value_or(1.0);
}

} // namespace

void SubtitleGps::ForEachCue(const Mp4Boxes &Boxes, const std::function<void(int Track, const SubtitleCue &Cue)> &Visit)
{
    const std::optional<Mp4Box> movie = Boxes.Find("moov");
    if (!movie)
        return;
    int number = 0;
    for (const Mp4Box &track : Boxes.FindAll(*movie, "trak")) {
        const quint32 format = Mp4SampleTable::ReadFormat(Boxes, track);
        if (format != Mp4Boxes::FourCc("tx3g") && format != Mp4Boxes::FourCc("text"))
            continue;
        const Mp4SampleTable table(Boxes, track);
        for (const Mp4Sample &sample : table.Samples()) {
            SubtitleCue cue;
            cue.StartMs = std::max<qint64>(table.Milliseconds(sample.Start), 0);
            cue.DurationMs = std::max<qint64>(table.Milliseconds(sample.Start + sample.Duration) - cue.StartMs, 0);
            cue.Bytes = Boxes.Read(sample.Offset, std::min<qint64>(sample.Size, MaxCueBytes));
            Visit(number, cue);
        }
        ++number;
    }
}

QByteArray SubtitleGps::CueText(const SubtitleCue &Cue)
{
    if (Cue.Bytes.size() < LengthBytes)
        return {};
    const qsizetype length = qFromBigEndian<quint16>(Cue.Bytes.constData());
    // A cue shorter than its length says is damaged: what is left of its
    // text may read as other numbers.
    if (length > Cue.Bytes.size() - LengthBytes && Cue.Bytes.size() < MaxCueBytes)
        return {};
    QByteArray text = Cue.Bytes.mid(LengthBytes, length);
    while (!text.isEmpty() && text.back() == '\0')
        text.chop(1);
    return text;
}

std::optional<GpsFix> SubtitleGps::DecodeLine(QByteArrayView Line)
{
    const QList<QByteArrayView> tokens = Tokens(Line);
    for (qsizetype at = 0; at + 1 < tokens.size(); ++at) {
        QByteArrayView dateToken = tokens[at];
        QByteArrayView timeToken = tokens[at + 1];
        qsizetype next = at + 2;
        // "2019-11-30T12:01:56Z" keeps both in one token.
        if (const qsizetype t = dateToken.indexOf('T'); t > 0) {
            timeToken = dateToken.sliced(t + 1);
            dateToken = dateToken.first(t);
            next = at + 1;
        }
        const QDate date = ParseDate(dateToken);
        if (!date.isValid())
            continue;
        std::optional<int> offset;
        if (timeToken.endsWith('Z')) {
            timeToken.chop(1);
            offset = 0;
        }
        const QTime time = ParseTime(timeToken);
        if (!time.isValid())
            return std::nullopt;
        if (next < tokens.size()) {
            if (const std::optional<int> zone = ZoneOffsetSeconds(tokens[next])) {
                offset = zone;
                ++next;
            }
        }
        if (next + 2 >= tokens.size())
            return std::nullopt;
        const std::optional<double> latitude = Coordinate(tokens[next], 'N', 'S');
        const std::optional<double> longitude = Coordinate(tokens[next + 1], 'E', 'W');
        const std::optional<double> speed
            = Speed(tokens[next + 2], next + 3 < tokens.size() ? tokens[next + 3] : QByteArrayView());
        if (!latitude || !longitude || !speed)
            return std::nullopt;
        GpsFix fix;
        fix.Utc = offset ? QDateTime(date, time, QTimeZone(*offset)).toUTC()
                         : QDateTime(date, time, Qt::LocalTime).toUTC();
        if (GpsPosition::IsPlausible(*latitude, *longitude) && *speed >= 0.0 && *speed <= MaxSpeedKmh) {
            fix.Valid = true;
            fix.Latitude = *latitude;
            fix.Longitude = *longitude;
            fix.SpeedKmh = *speed;
        }
        return fix;
    }
    return std::nullopt;
}

GpsFixList SubtitleGps::DecodeCue(const SubtitleCue &Cue, const NmeaToFixes &Nmea)
{
    const QByteArray text = CueText(Cue);
    GpsFixList fixes;
    if (text.contains(SentenceStart)) {
        if (Nmea)
            fixes = NmeaSentences::Plausible(Nmea(text));
    } else {
        for (const QByteArray &line : text.split('\n')) {
            if (const std::optional<GpsFix> fix = DecodeLine(line)) {
                fixes.append(*fix);
                break;
            }
        }
    }
    for (qsizetype i = 0; i < fixes.size(); ++i)
        fixes[i].OffsetMs = Cue.StartMs + Cue.DurationMs * i / fixes.size();
    return fixes;
}

GpsFixList SubtitleGps::Read(const Mp4Boxes &Boxes, const NmeaToFixes &Nmea)
{
    QList<GpsFixList> tracks;
    ForEachCue(Boxes, [&](int Track, const SubtitleCue &Cue) {
        if (tracks.size() <= Track)
            tracks.resize(Track + 1);
        tracks[Track] += DecodeCue(Cue, Nmea);
    });
    const auto valid = [](const GpsFixList &Fixes) {
        return std::count_if(Fixes.cbegin(), Fixes.cend(), [](const GpsFix &Fix) { return Fix.Valid; });
    };
    const GpsFixList *best = nullptr;
    for (const GpsFixList &fixes : std::as_const(tracks)) {
        if (!best || valid(fixes) > valid(*best))
            best = &fixes;
    }
    return best ? *best : GpsFixList();
}

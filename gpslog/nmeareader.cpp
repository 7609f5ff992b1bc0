#include "nmeareader.h"

#include "gpslog/cappedlines.h"
#include "gpslog/chunkedfeed.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QIODevice>
#include <QTime>
#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// NMEA allows 82 characters a sentence and a recorder's stamp adds about
// twenty. A longer line is no log line.
constexpr qsizetype MaxLineBytes = 4096;
// Fields looked at in a sentence; NMEA 4.1's extra fields lie beyond.
constexpr int MaxFields = 16;
constexpr qsizetype MaxNumberChars = 24;
// A unix time in milliseconds has 13 digits today.
constexpr qsizetype MaxStampDigits = 15;

constexpr char SentenceStart = '$';
constexpr char ChecksumMark = '*';
constexpr char FieldSeparator = ',';
constexpr char DecimalPoint = '.';
constexpr char CommentMark = '#';
constexpr char StampOpen = '[';
constexpr char StampClose = ']';
constexpr char ProprietaryMark = 'P';
constexpr unsigned char FirstPrintable = 0x20;
constexpr unsigned char LastPrintable = 0x7e;
constexpr qsizetype AddressLength = 5;
constexpr qsizetype TalkerLength = 2;
constexpr qsizetype ChecksumLength = 3; // "*hh"
constexpr qsizetype BomLength = 2;
constexpr char16_t LastAscii = 0x7f;
constexpr char NotAscii = char(0xff);

constexpr char North = 'N';
constexpr char South = 'S';
constexpr char East = 'E';
constexpr char West = 'W';
constexpr char RmcFixStatus = 'A';
constexpr char RmcNoDataMode = 'N';
constexpr char GgaNoFixQuality = '0';
constexpr char Metres = 'M';

constexpr int RmcTime = 1;
constexpr int RmcStatus = 2;
constexpr int RmcLatitude = 3;
constexpr int RmcNorthSouth = 4;
constexpr int RmcLongitude = 5;
constexpr int RmcEastWest = 6;
constexpr int RmcSpeed = 7;
constexpr int RmcCourse = 8;
constexpr int RmcDate = 9;
constexpr int RmcMode = 12;
constexpr int RmcMinFields = RmcDate + 1;

constexpr int GgaTime = 1;
constexpr int GgaLatitude = 2;
constexpr int GgaNorthSouth = 3;
constexpr int GgaLongitude = 4;
constexpr int GgaEastWest = 5;
constexpr int GgaQuality = 6;
constexpr int GgaAltitude = 9;
constexpr int GgaAltitudeUnit = 10;
constexpr int GgaMinFields = GgaQuality + 1;

// "hhmmss" and "ddmmyy"; a coordinate has one to three digits of degrees
// before its two digits of whole minutes.
constexpr qsizetype TimeDigits = 6;
constexpr qsizetype DateDigits = 6;
constexpr qsizetype MinuteDigits = 2;
constexpr qsizetype MinCoordinateDigits = 3;
constexpr qsizetype MaxCoordinateDigits = 5;

constexpr double KnotsToKmh = 1.852;
constexpr double MinutesPerDegree = 60.0;
constexpr double MaxLatitude = 90.0;
constexpr double MaxLongitude = 180.0;
constexpr double FullCircle = 360.0;
constexpr int MaxHour = 23;
constexpr int MaxMinute = 59;
constexpr int MaxSecond = 59;
constexpr int MsPerSecond = 1000;
constexpr int FirstMsDigitScale = 100;
// Two-digit years from 80 on are 19xx: there was no GPS before 1980.
constexpr int CenturyPivot = 80;
constexpr int NineteenHundred = 1900;
constexpr int TwoThousand = 2000;
// A time of day more than half a day before the previous one has passed
// midnight; a smaller step back is a repeated or late report.
constexpr int HalfDayMs = 12 * 3600 * MsPerSecond;
constexpr qint64 DayMs = 24 * 3600 * MsPerSecond;

enum class SentenceType { Rmc, Gga };

// What one RMC or GGA sentence says.
struct Sentence
{
    SentenceType Type = SentenceType::Rmc;
    int TimeMs = -1; // since midnight UTC; -1 when the sentence has no time
    QDate Date;
    bool Fix = false;
    double Latitude = qQNaN();
    double Longitude = qQNaN();
    double SpeedKmh = qQNaN();
    double Course = qQNaN();
    double Altitude = qQNaN();
};

// The sentences of one instant, merged: one receiver epoch, whatever its
// talkers and sentence types.
struct Epoch
{
    bool HasRmc = false;
    bool HasGga = false;
    int TimeMs = -1;
    // The first valid date of its RMC sentences.
    QDate Date;
    bool Fix = true;
    // Whether the position is an RMC's: it comes with the speed and course,
    // so it wins over a GGA's.
    bool RmcPosition = false;
    double Latitude = qQNaN();
    double Longitude = qQNaN();
    double SpeedKmh = qQNaN();
    double Course = qQNaN();
    double Altitude = qQNaN();
    qint64 Stamp = -1;
};

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

bool IsUpper(char C)
{
    return C >= 'A' && C <= 'Z';
}

bool IsBlank(char C)
{
    return C == ' ' || C == '\t';
}

// Line feeds, carriage returns in any mix, and NUL bytes (recorders pad
// their GPS blocks with them) all end a line.
bool IsLineBreak(char C)
{
    return C == '\n' || C == '\r' || C == '\0';
}

int HexValue(char C)
{
    if (IsDigit(C))
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

int TwoDigits(QByteArrayView Text, qsizetype At)
{
    return (Text[At] - '0') * 10 + (Text[At + 1] - '0');
}

bool AllDigits(QByteArrayView Text)
{
    for (const char c : Text) {
        if (!IsDigit(c))
            return false;
    }
    return true;
}

// Digits with at most one decimal point, optionally signed; nothing else
// (no blanks, exponents, "nan" or "inf"), so the value is always finite.
std::optional<double> ParseDecimal(QByteArrayView Text, bool Signed)
{
    if (Text.isEmpty() || Text.size() > MaxNumberChars)
        return std::nullopt;
    qsizetype at = 0;
    bool negative = false;
    if (Signed && (Text[0] == '-' || Text[0] == '+')) {
        negative = Text[0] == '-';
        at = 1;
    }
    int digits = 0;
    int points = 0;
    for (qsizetype k = at; k < Text.size(); ++k) {
        if (IsDigit(Text[k]))
            ++digits;
        else if (Text[k] == DecimalPoint)
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    double value = 0.0;
    const char *const end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data() + at, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return negative && value != 0.0 ? -value : value;
}

// "hhmmss" with an optional fraction of a second, as milliseconds since
// midnight (the fraction cut to milliseconds); -1 when it is no time of day.
int ParseTimeOfDay(QByteArrayView Text)
{
    if (Text.size() < TimeDigits || !AllDigits(Text.first(TimeDigits)))
        return -1;
    const int hour = TwoDigits(Text, 0);
    const int minute = TwoDigits(Text, 2);
    const int second = TwoDigits(Text, 4);
    if (hour > MaxHour || minute > MaxMinute || second > MaxSecond)
        return -1;
    int ms = 0;
    if (Text.size() > TimeDigits) {
        if (Text[TimeDigits] != DecimalPoint || !AllDigits(Text.sliced(TimeDigits + 1)))
            return -1;
        int scale = FirstMsDigitScale;
        for (qsizetype k = TimeDigits + 1; k < Text.size() && scale > 0; ++k, scale /= 10)
            ms += (Text[k] - '0') * scale;
    }
    return ((hour * 60 + minute) * 60 + second) * MsPerSecond + ms;
}

// "ddmmyy"; an invalid date when it is none.
QDate ParseDate(QByteArrayView Text)
{
    if (Text.size() != DateDigits || !AllDigits(Text))
        return QDate();
    const int year = TwoDigits(Text, 4);
    return QDate(year + (year >= CenturyPivot ? NineteenHundred : TwoThousand), TwoDigits(Text, 2),
                 TwoDigits(Text, 0));
}

// Degrees and minutes ("ddmm.mmmm", "dddmm.mmmm") with the hemisphere's
// letter, as signed degrees; NaN when either is unreadable or the minutes
// reach 60.
double ParseCoordinate(QByteArrayView Text, QByteArrayView Hemisphere, char Positive, char Negative)
{
    if (Hemisphere.size() != 1 || (Hemisphere[0] != Positive && Hemisphere[0] != Negative))
        return qQNaN();
    const qsizetype point = Text.indexOf(DecimalPoint);
    const qsizetype whole = point < 0 ? Text.size() : point;
    if (whole < MinCoordinateDigits || whole > MaxCoordinateDigits || !AllDigits(Text.first(whole)))
        return qQNaN();
    const std::optional<double> minutes = ParseDecimal(Text.sliced(whole - MinuteDigits), false);
    if (!minutes || *minutes >= MinutesPerDegree)
        return qQNaN();
    int degrees = 0;
    for (const char c : Text.first(whole - MinuteDigits))
        degrees = degrees * 10 + (c - '0');
    const double value = degrees + *minutes / MinutesPerDegree;
    return Hemisphere[0] == Negative ? -value : value;
}

QByteArrayView FieldOrEmpty(const QVarLengthArray<QByteArrayView, MaxFields> &Fields, int Index)
{
    return Index < Fields.size() ? Fields[Index] : QByteArrayView();
}

bool IsChar(QByteArrayView Field, char C)
{
    return Field.size() == 1 && Field[0] == C;
}

// The time field: empty gives no time; anything else must be a time of day.
bool ReadTime(QByteArrayView Field, Sentence *S)
{
    if (Field.isEmpty())
        return true;
    S->TimeMs = ParseTimeOfDay(Field);
    return S->TimeMs >= 0;
}

bool ParseRmc(const QVarLengthArray<QByteArrayView, MaxFields> &Fields, Sentence *S)
{
    if (Fields.size() < RmcMinFields || !ReadTime(Fields[RmcTime], S))
        return false;
    S->Type = SentenceType::Rmc;
    // NMEA 2.3's mode "N" says the data are not valid, whatever the status.
    S->Fix = IsChar(Fields[RmcStatus], RmcFixStatus) && !IsChar(FieldOrEmpty(Fields, RmcMode), RmcNoDataMode);
    S->Latitude = ParseCoordinate(Fields[RmcLatitude], Fields[RmcNorthSouth], North, South);
    S->Longitude = ParseCoordinate(Fields[RmcLongitude], Fields[RmcEastWest], East, West);
    if (const std::optional<double> knots = ParseDecimal(Fields[RmcSpeed], false))
        S->SpeedKmh = *knots * KnotsToKmh;
    if (const std::optional<double> course = ParseDecimal(Fields[RmcCourse], false); course && *course <= FullCircle)
        S->Course = *course;
    S->Date = ParseDate(Fields[RmcDate]);
    return true;
}

bool ParseGga(const QVarLengthArray<QByteArrayView, MaxFields> &Fields, Sentence *S)
{
    if (Fields.size() < GgaMinFields || !ReadTime(Fields[GgaTime], S))
        return false;
    S->Type = SentenceType::Gga;
    const QByteArrayView quality = Fields[GgaQuality];
    S->Fix = quality.size() == 1 && IsDigit(quality[0]) && quality[0] != GgaNoFixQuality;
    S->Latitude = ParseCoordinate(Fields[GgaLatitude], Fields[GgaNorthSouth], North, South);
    S->Longitude = ParseCoordinate(Fields[GgaLongitude], Fields[GgaEastWest], East, West);
    const QByteArrayView unit = FieldOrEmpty(Fields, GgaAltitudeUnit);
    if (unit.isEmpty() || IsChar(unit, Metres)) {
        if (const std::optional<double> altitude = ParseDecimal(FieldOrEmpty(Fields, GgaAltitude), true))
            S->Altitude = *altitude;
    }
    return true;
}

// The text between "$" and "*" of a sentence whose checksum is right and
// that holds only the printable ASCII NMEA allows; empty otherwise.
// Candidate starts with "$" and ends where its line or the next "$" does.
std::optional<QByteArrayView> CheckedBody(QByteArrayView Candidate)
{
    const qsizetype size = Candidate.size();
    if (size < 1 + ChecksumLength || Candidate[size - ChecksumLength] != ChecksumMark)
        return std::nullopt;
    const int high = HexValue(Candidate[size - 2]);
    const int low = HexValue(Candidate[size - 1]);
    if (high < 0 || low < 0)
        return std::nullopt;
    const QByteArrayView body = Candidate.sliced(1, size - 1 - ChecksumLength);
    unsigned sum = 0;
    for (const char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < FirstPrintable || byte > LastPrintable || c == ChecksumMark)
            return std::nullopt;
        sum ^= byte;
    }
    if (sum != unsigned(high * 16 + low))
        return std::nullopt;
    return body;
}

bool InRange(double Latitude, double Longitude)
{
    // NaN fails every comparison, so an unreadable coordinate is out of range.
    return std::fabs(Latitude) <= MaxLatitude && std::fabs(Longitude) <= MaxLongitude
        && !(Latitude == 0.0 && Longitude == 0.0);
}

bool IsNumber(double Value)
{
    return !std::isnan(Value);
}

// What the sentence says, as an instant of its own.
Epoch EpochOf(const Sentence &S, qint64 Stamp)
{
    Epoch epoch;
    const bool rmc = S.Type == SentenceType::Rmc;
    epoch.HasRmc = rmc;
    epoch.HasGga = !rmc;
    epoch.TimeMs = S.TimeMs;
    epoch.Fix = S.Fix;
    epoch.Stamp = Stamp;
    if (IsNumber(S.Latitude) && IsNumber(S.Longitude)) {
        epoch.Latitude = S.Latitude;
        epoch.Longitude = S.Longitude;
        epoch.RmcPosition = rmc;
    }
    if (rmc) {
        epoch.Date = S.Date;
        epoch.SpeedKmh = S.SpeedKmh;
        epoch.Course = S.Course;
    } else {
        epoch.Altitude = S.Altitude;
    }
    return epoch;
}

// Two reports of one instant (other talkers, other sentence types) as one.
// The first value given counts, an RMC's position before a GGA's; the
// instant has a fix only when every report says so.
void Merge(Epoch &Into, const Epoch &From)
{
    const bool hasPosition = IsNumber(Into.Latitude) && IsNumber(Into.Longitude);
    const bool fromPosition = IsNumber(From.Latitude) && IsNumber(From.Longitude);
    if (fromPosition && (!hasPosition || (From.RmcPosition && !Into.RmcPosition))) {
        Into.Latitude = From.Latitude;
        Into.Longitude = From.Longitude;
        Into.RmcPosition = From.RmcPosition;
    }
    if (!Into.Date.isValid())
        Into.Date = From.Date;
    if (!IsNumber(Into.SpeedKmh))
        Into.SpeedKmh = From.SpeedKmh;
    if (!IsNumber(Into.Course))
        Into.Course = From.Course;
    if (!IsNumber(Into.Altitude))
        Into.Altitude = From.Altitude;
    if (Into.Stamp < 0)
        Into.Stamp = From.Stamp;
    Into.Fix = Into.Fix && From.Fix;
    Into.HasRmc = Into.HasRmc || From.HasRmc;
    Into.HasGga = Into.HasGga || From.HasGga;
}

// A UTF-16 code unit as the one byte NMEA's ASCII has for it; anything
// beyond ASCII becomes a byte no sentence may hold, so that its sentence
// fails as an 8-bit character would.
char Narrowed(char16_t Unit)
{
    return Unit <= LastAscii ? char(Unit) : NotAscii;
}

// Turns text that starts with a UTF-16 byte-order mark into the bytes of
// its ASCII, a piece at a time; other text passes unchanged, uncopied.
class TextDecoder
{
public:
    // The bytes of Data to read as NMEA: Data itself, or bytes held here
    // until the next call.
    QByteArrayView Decode(QByteArrayView Data)
    {
        if (Kind == Encoding::Undecided) {
            // The mark can only be told once two bytes have come; they come
            // apart only from a device handing out single bytes.
            if (Held.isEmpty() && Data.size() >= BomLength)
                return Decided(Data);
            Held.append(Data);
            if (Held.size() < BomLength)
                return {};
            const QByteArray held = std::move(Held);
            Held = QByteArray();
            Decoded = Decided(held).toByteArray();
            return Decoded;
        }
        return Kind == Encoding::Bytes ? Data : Narrow(Data);
    }

    // What is held back at the end: a lone first byte.
    QByteArrayView Finish()
    {
        if (Kind != Encoding::Undecided)
            return {};
        Decoded = std::move(Held);
        Held = QByteArray();
        return Decoded;
    }

private:
    enum class Encoding { Undecided, Bytes, Utf16Le, Utf16Be };

    QByteArrayView Decided(QByteArrayView Data)
    {
        const auto first = static_cast<unsigned char>(Data[0]);
        const auto second = static_cast<unsigned char>(Data[1]);
        Kind = Encoding::Bytes;
        if (first == 0xff && second == 0xfe)
            Kind = Encoding::Utf16Le;
        else if (first == 0xfe && second == 0xff)
            Kind = Encoding::Utf16Be;
        return Kind == Encoding::Bytes ? Data : Narrow(Data.sliced(BomLength));
    }

    char16_t Unit(unsigned char First, unsigned char Second) const
    {
        return Kind == Encoding::Utf16Le ? char16_t(First | (Second << 8)) : char16_t((First << 8) | Second);
    }

    QByteArrayView Narrow(QByteArrayView Data)
    {
        Decoded.clear();
        Decoded.reserve((Data.size() + 1) / 2);
        qsizetype at = 0;
        if (OddByte >= 0 && !Data.isEmpty()) {
            Decoded.append(Narrowed(Unit(static_cast<unsigned char>(OddByte), static_cast<unsigned char>(Data[0]))));
            OddByte = -1;
            at = 1;
        }
        for (; at + 1 < Data.size(); at += 2)
            Decoded.append(
                Narrowed(Unit(static_cast<unsigned char>(Data[at]), static_cast<unsigned char>(Data[at + 1]))));
        if (at < Data.size())
            OddByte = static_cast<unsigned char>(Data[at]);
        return Decoded;
    }

    Encoding Kind = Encoding::Undecided;
    QByteArray Held;
    QByteArray Decoded;
    int OddByte = -1;
};

// Splits bytes into lines and sentences, gathers the sentences of each
// instant into an epoch, and the epochs, in time order, into fixes.
class LogBuilder
{
public:
    void Feed(QByteArrayView Data) { FeedDecoded(Decoder.Decode(Data)); }

    NmeaLog Finish()
    {
        FeedDecoded(Decoder.Finish());
        Lines.Finish([this](QByteArrayView Line) { AddLine(Line); });
        if (Open)
            Epochs.append(Current);
        Open = false;
        BuildFixes();
        return std::move(Log);
    }

    void SetReadError() { Log.ReadError = true; }

private:
    void FeedDecoded(QByteArrayView Data)
    {
        Lines.Feed(Data, [this](QByteArrayView Line) { AddLine(Line); });
    }

    void AddLine(QByteArrayView Line)
    {
        qsizetype at = 0;
        while (at < Line.size() && IsBlank(Line[at]))
            ++at;
        if (at == Line.size() || Line[at] == CommentMark)
            return;
        qint64 stamp = -1;
        if (Line[at] == StampOpen) {
            const qsizetype close = Line.indexOf(StampClose, at + 1);
            const QByteArrayView digits = close < 0 ? QByteArrayView() : Line.sliced(at + 1, close - at - 1);
            if (!digits.isEmpty() && digits.size() <= MaxStampDigits && AllDigits(digits)) {
                stamp = digits.toLongLong();
                if (Log.StampOriginMs < 0)
                    Log.StampOriginMs = stamp;
                at = close + 1;
            }
        }
        // Every "$" starts a candidate, so a sentence glued to the end of a
        // broken one is still found; the checksum sorts them out.
        qsizetype start = Line.indexOf(SentenceStart, at);
        while (start >= 0) {
            const qsizetype next = Line.indexOf(SentenceStart, start + 1);
            QByteArrayView candidate = Line.sliced(start, (next < 0 ? Line.size() : next) - start);
            while (!candidate.isEmpty() && IsBlank(candidate.back()))
                candidate.chop(1);
            AddSentence(candidate, stamp);
            start = next;
        }
    }

    void AddSentence(QByteArrayView Candidate, qint64 Stamp)
    {
        const std::optional<QByteArrayView> body = CheckedBody(Candidate);
        if (!body) {
            ++Log.Rejected;
            return;
        }
        QVarLengthArray<QByteArrayView, MaxFields> fields;
        qsizetype from = 0;
        while (fields.size() < MaxFields) {
            const qsizetype comma = body->indexOf(FieldSeparator, from);
            const QByteArrayView field = comma < 0 ? body->sliced(from) : body->sliced(from, comma - from);
            // Writers pad a field with blanks now and then ("  123519 ").
            fields.append(Trimmed(field));
            if (comma < 0)
                break;
            from = comma + 1;
        }
        // A talker's sentence: two capital letters, then the type.
        // Proprietary sentences ("$P...") have layouts of their own.
        const QByteArrayView address = fields[0];
        if (address.size() != AddressLength || !IsUpper(address[0]) || !IsUpper(address[1])
            || address[0] == ProprietaryMark)
            return;
        const QByteArrayView type = address.sliced(TalkerLength);
        Sentence sentence;
        bool readable = false;
        if (type == QByteArrayView("RMC"))
            readable = ParseRmc(fields, &sentence);
        else if (type == QByteArrayView("GGA"))
            readable = ParseGga(fields, &sentence);
        else
            return;
        if (!readable) {
            ++Log.Rejected;
            return;
        }
        ++Log.Sentences;
        Take(sentence, Stamp);
    }

    static QByteArrayView Trimmed(QByteArrayView Field)
    {
        while (!Field.isEmpty() && IsBlank(Field.front()))
            Field = Field.sliced(1);
        while (!Field.isEmpty() && IsBlank(Field.back()))
            Field.chop(1);
        return Field;
    }

    // Reports of one time of day in a row are one epoch, whatever their
    // talker or type; those of one instant further apart are merged once
    // their dates are known. Reports without a time pair an RMC with a GGA
    // next to it, as a receiver without a fix writes them.
    void Take(const Sentence &S, qint64 Stamp)
    {
        const Epoch epoch = EpochOf(S, Stamp);
        const bool rmc = S.Type == SentenceType::Rmc;
        const bool otherDate = S.Date.isValid() && Current.Date.isValid() && S.Date != Current.Date;
        const bool same = Open && S.TimeMs == Current.TimeMs && !otherDate
            && (S.TimeMs >= 0 || !(rmc ? Current.HasRmc : Current.HasGga));
        if (same) {
            Merge(Current, epoch);
            return;
        }
        if (Open)
            Epochs.append(Current);
        Current = epoch;
        Open = true;
    }

    // The date of each epoch: its RMC's, else the one of the epoch before
    // (a day on when the time of day went round midnight); epochs before
    // the first date take it too, a day earlier across midnight, counting
    // back from the first dated one. Invalid for all in a log without date.
    QList<QDate> Dates() const
    {
        QList<QDate> dates(Epochs.size());
        QDate lastDate;
        int lastTimeMs = -1;
        qsizetype firstDated = -1;
        for (qsizetype k = 0; k < Epochs.size(); ++k) {
            const Epoch &epoch = Epochs[k];
            if (epoch.TimeMs < 0)
                continue;
            QDate date = epoch.Date;
            if (!date.isValid() && lastDate.isValid())
                date = epoch.TimeMs < lastTimeMs - HalfDayMs ? lastDate.addDays(1) : lastDate;
            if (!date.isValid())
                continue;
            dates[k] = date;
            if (firstDated < 0)
                firstDated = k;
            lastDate = date;
            lastTimeMs = epoch.TimeMs;
        }
        if (firstDated <= 0)
            return dates;
        QDate date = dates[firstDated];
        int later = Epochs[firstDated].TimeMs;
        for (qsizetype k = firstDated - 1; k >= 0; --k) {
            const int time = Epochs[k].TimeMs;
            if (time < 0)
                continue;
            if (time > later + HalfDayMs)
                date = date.addDays(-1);
            dates[k] = date;
            later = time;
        }
        return dates;
    }

    // Where each epoch with a time lies on one time line: its UTC in
    // milliseconds, or in a log without dates its time of day counted in
    // days from the first (a step back of more than half a day is the next
    // day, a step forward of more than half a day a late report of the day
    // before). Epochs without a time stay just after the one before them.
    QList<qint64> Instants(const QList<QDate> &Dates) const
    {
        QList<qint64> instants(Epochs.size());
        qint64 previous = std::numeric_limits<qint64>::min();
        qint64 day = 0;
        int lastTimeMs = -1;
        for (qsizetype k = 0; k < Epochs.size(); ++k) {
            const int time = Epochs[k].TimeMs;
            if (time < 0) {
                instants[k] = previous;
                continue;
            }
            if (Dates[k].isValid()) {
                instants[k] = QDateTime(Dates[k], QTime::fromMSecsSinceStartOfDay(time), Qt::UTC).toMSecsSinceEpoch();
            } else {
                qint64 thisDay = day;
                if (lastTimeMs >= 0 && time < lastTimeMs - HalfDayMs)
                    thisDay = ++day;
                else if (lastTimeMs >= 0 && time > lastTimeMs + HalfDayMs)
                    --thisDay;
                if (thisDay == day)
                    lastTimeMs = time;
                instants[k] = thisDay * DayMs + time;
            }
            previous = instants[k];
        }
        return instants;
    }

    void BuildFixes()
    {
        const QList<QDate> dates = Dates();
        const QList<qint64> instants = Instants(dates);
        // Reports of one instant anywhere in the log make one fix, at the
        // place of its first report.
        QList<qsizetype> order;
        order.reserve(Epochs.size());
        QHash<qint64, qsizetype> firstOfInstant;
        for (qsizetype k = 0; k < Epochs.size(); ++k) {
            if (Epochs[k].TimeMs >= 0) {
                const auto first = firstOfInstant.constFind(instants[k]);
                if (first != firstOfInstant.cend()) {
                    Merge(Epochs[*first], Epochs[k]);
                    continue;
                }
                firstOfInstant.insert(instants[k], k);
            }
            order.append(k);
        }
        // Receivers write their reports in time order, nearly always: a
        // stable sort keeps the order of the log where it already is.
        std::stable_sort(order.begin(), order.end(),
                         [&instants](qsizetype A, qsizetype B) { return instants[A] < instants[B]; });
        Log.Fixes.reserve(order.size());
        for (const qsizetype k : std::as_const(order))
            Log.Fixes.append(FixOf(Epochs[k], dates[k]));
    }

    GpsFix FixOf(const Epoch &E, const QDate &Date) const
    {
        GpsFix fix;
        if (InRange(E.Latitude, E.Longitude)) {
            fix.Latitude = E.Latitude;
            fix.Longitude = E.Longitude;
            fix.Valid = E.Fix;
        }
        fix.SpeedKmh = IsNumber(E.SpeedKmh) ? E.SpeedKmh : 0.0;
        fix.Course = E.Course;
        fix.Altitude = E.Altitude;
        if (E.Stamp >= 0 && E.Stamp >= Log.StampOriginMs)
            fix.OffsetMs = E.Stamp - Log.StampOriginMs;
        if (E.TimeMs >= 0 && Date.isValid())
            fix.Utc = QDateTime(Date, QTime::fromMSecsSinceStartOfDay(E.TimeMs), Qt::UTC);
        return fix;
    }

    NmeaLog Log;
    TextDecoder Decoder;
    CappedLines<bool (*)(char)> Lines{MaxLineBytes, IsLineBreak};
    QList<Epoch> Epochs;
    Epoch Current;
    bool Open = false;
};

} // namespace

NmeaLog NmeaReader::Read(QByteArrayView Bytes)
{
    LogBuilder builder;
    builder.Feed(Bytes);
    return builder.Finish();
}

NmeaLog NmeaReader::Read(QIODevice &Device)
{
    LogBuilder builder;
    FeedInChunks(Device, builder);
    return builder.Finish();
}

bool NmeaReader::LooksLikeNmea(QByteArrayView Head)
{
    TextDecoder decoder;
    const QByteArray text = decoder.Decode(Head).toByteArray() + decoder.Finish().toByteArray();
    for (qsizetype at = text.indexOf('$'); at >= 0 && at + AddressLength + 1 < text.size();
         at = text.indexOf('$', at + 1)) {
        const QByteArrayView type = QByteArrayView(text).sliced(at + 1 + TalkerLength, 3);
        if (IsUpper(text[at + 1]) && IsUpper(text[at + 2]) && (type == "RMC" || type == "GGA")
            && text[at + 1 + AddressLength] == FieldSeparator)
            return true;
    }
    return false;
}

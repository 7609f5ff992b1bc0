#include "gpslogdata.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QStringView>
#include <QTextStream>
#include <QVarLengthArray>
#include <QtAlgorithms>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t FieldSeparator = u',';
constexpr char16_t SpeedTerminator = u';';
constexpr char16_t ValidFlag = u'A';
constexpr char16_t LineFeed = u'\n';
constexpr char16_t CarriageReturn = u'\r';

constexpr int DateField = 1;
constexpr int TimeField = 2;
constexpr int LatitudeField = 3;
constexpr int SouthOrNorthField = 4;
constexpr int LongitudeField = 5;
constexpr int EastOrWestField = 6;
constexpr int VelocityField = 7;
constexpr int FieldCount = 8;

constexpr double KnotsToKmPerHour = 1.852;
constexpr double MinutesPerDegree = 60.0;

constexpr int LatitudeDegreeDigits = 2;
constexpr int LatitudeSignificantDigits = 7;
constexpr int LatitudePaddedLength = 8;
constexpr int LongitudeDegreeDigits = 3;
constexpr int LongitudeSignificantDigits = 8;
constexpr int LongitudePaddedLength = 9;
// Whole numbers of degrees get the decimals of the C library's plain "%f".
constexpr int WholeNumberDecimals = 6;

// Decimal texts of up to 15 significant digits scaled by at most 10^22 are
// converted exactly with one floating-point operation.
constexpr int MaxExactDigits = 15;
constexpr int MaxExactPowerOfTen = 22;
constexpr double ExactPowersOfTen[MaxExactPowerOfTen + 1] = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr double PowersOfTenBelowOne[] = {1e-1, 1e-2, 1e-3, 1e-4};
// %g writes values from 10^-4 up to 10^precision without an exponent.
constexpr int SmallestPlainExponent = -4;
// The short way writes up to eight digits (below 10^8, so 32 bits hold them).
constexpr int FastPrecisionLimit = 8;
constexpr char DigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
constexpr double RoundingGuard = 1e-6;
// Exponents beyond any double are all alike; reading stops growing there.
constexpr int MaxExponentRead = 100000;

// Longest coordinate field whose raw text is remembered from line to line.
constexpr qsizetype RawFieldCapacity = 32;

// Characters taken from the text stream per read while loading a track.
constexpr qint64 ReadChunkChars = 64 * 1024;

constexpr const char *ReadDoneTrace = "addend";

// Where the fields of one line lie: the positions of its first commas and
// of the ";" that ends the speed. Nothing is filled beyond what was found.
struct LineFields
{
    QStringView Line;
    qsizetype Comma[FieldCount - 1];
    int Commas = 0;
    qsizetype SpeedEnd = -1;

    // A field that does not exist (missing separator) is a null view; an
    // empty field is an empty view.
    QStringView Field(int k) const
    {
        if (k == VelocityField) {
            if (SpeedEnd < 0)
                return QStringView();
            const qsizetype start = Comma[VelocityField - 1] + 1;
            return Line.sliced(start, SpeedEnd - start);
        }
        if (k >= Commas) // the k-th comma is Comma[k-1], the (k+1)-th Comma[k]
            return QStringView();
        return Line.sliced(Comma[k - 1] + 1, Comma[k] - Comma[k - 1] - 1);
    }
};

// Positions of the first Needed commas of a line; returns how many there are.
int FindCommas(const char16_t *Text, qsizetype Size, qsizetype *Comma, int Needed)
{
    int found = 0;
    qsizetype at = 0;
#if defined(__SSE2__)
    // Eight characters at a time: a log line has its commas a few characters
    // apart, and branching on each character costs more than the compare.
    const __m128i separator = _mm_set1_epi16(short(FieldSeparator));
    for (; found < Needed && at + 8 <= Size; at += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(Text + at));
        const __m128i equal = _mm_cmpeq_epi16(block, separator);
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_packs_epi16(equal, _mm_setzero_si128())));
        while (mask != 0 && found < Needed) {
            Comma[found++] = at + qCountTrailingZeroBits(mask);
            mask &= mask - 1;
        }
    }
#endif
    for (; found < Needed && at < Size; ++at) {
        if (Text[at] == FieldSeparator)
            Comma[found++] = at;
    }
    return found;
}

// Finds the separators up to field LastField. Each comma is searched from
// just after the previous one, so a missing separator can never make a
// later field fall back onto an earlier part of the line.
LineFields SplitLine(QStringView line, int LastField)
{
    LineFields fields;
    fields.Line = line;
    const int commasNeeded = LastField < VelocityField ? LastField + 1 : VelocityField;
    fields.Commas = FindCommas(line.utf16(), line.size(), fields.Comma, commasNeeded);
    if (LastField == VelocityField && fields.Commas == VelocityField) {
        // a short way to the ";": the speed is a few characters long
        const char16_t *const text = line.utf16();
        for (qsizetype at = fields.Comma[VelocityField - 1] + 1; at < line.size(); ++at) {
            if (text[at] == SpeedTerminator) {
                fields.SpeedEnd = at;
                break;
            }
        }
    }
    return fields;
}

QString FieldText(QStringView field)
{
    return field.isEmpty() ? QString() : field.toString();
}

// A field as a number: an optional sign, decimal digits with at most one
// ".", an optional exponent, blanks around it allowed. Anything else, and
// anything that does not fit a finite double ("nan", "inf", "1e400"),
// reads as 0, so only finite numbers ever reach the map page.
double ReadNumber(QStringView text)
{
    if (text.isEmpty())
        return 0.0;
    if (text.front().isSpace() || text.back().isSpace())
        text = text.trimmed();
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    const auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };

    const bool negative = p != end && *p == u'-';
    if (p != end && (*p == u'-' || *p == u'+'))
        ++p;
    const char16_t *const mantissaStart = p;
    std::uint64_t mantissa = 0;
    int significantDigits = 0;
    qsizetype fractionDigits = 0;
    const char16_t *point = nullptr;
    for (; p != end; ++p) {
        const char16_t c = *p;
        if (isDigit(c)) {
            if (significantDigits > 0 || c != u'0') {
                if (++significantDigits <= MaxExactDigits)
                    mantissa = mantissa * 10 + (c - u'0');
            }
        } else if (c == u'.' && !point) {
            point = p;
        } else {
            break;
        }
    }
    const qsizetype mantissaLength = p - mantissaStart;
    if (mantissaLength == (point ? 1 : 0)) // no digit at all
        return 0.0;
    if (point)
        fractionDigits = p - point - 1;
    qsizetype exponent = 0;
    if (p != end && (*p == u'e' || *p == u'E')) {
        ++p;
        const bool negativeExponent = p != end && *p == u'-';
        if (p != end && (*p == u'-' || *p == u'+'))
            ++p;
        if (p == end || !isDigit(*p))
            return 0.0;
        for (; p != end && isDigit(*p); ++p)
            exponent = std::min<qsizetype>(exponent * 10 + (*p - u'0'), MaxExponentRead);
        if (negativeExponent)
            exponent = -exponent;
    }
    if (p != end)
        return 0.0;

    double value = 0.0;
    const qsizetype power = exponent - fractionDigits;
    if (significantDigits <= MaxExactDigits && power >= -MaxExactPowerOfTen && power <= MaxExactPowerOfTen) {
        // Both the digits and the power of ten are exact doubles, so one
        // division or multiplication rounds exactly as from_chars would.
        value = double(mantissa);
        value = power < 0 ? value / ExactPowersOfTen[-power] : value * ExactPowersOfTen[power];
        if (negative)
            value = -value;
    } else {
        QVarLengthArray<char, 64> ascii;
        if (negative)
            ascii.append('-'); // from_chars takes no "+"
        for (const char16_t *c = mantissaStart; c != end; ++c)
            ascii.append(char(*c));
        const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value,
                                            std::chars_format::general);
        if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size())
            return 0.0;
    }
    if (!std::isfinite(value))
        return 0.0;
    return value + 0.0; // no negative zero
}

// Writes a %g text (no negative zero, finite) as a plain decimal that reads
// as the same number: the exponent is moved into the digits, and a whole
// number gets a decimal point and zeros.
std::string PlainDecimal(const char *general)
{
    std::string text(general);
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        const bool negative = text[0] == '-';
        std::string digits;
        for (std::size_t k = negative ? 1 : 0; k < e; ++k) {
            if (text[k] != '.')
                digits += text[k];
        }
        const int exponent = std::stoi(text.substr(e + 1));
        std::string plain = negative ? "-" : "";
        if (exponent < 0) {
            plain += "0.";
            plain.append(std::size_t(-exponent - 1), '0');
            plain += digits;
        } else {
            // an exponent of at least the precision: every digit stands
            // before the point
            plain += digits;
            const int zeros = exponent - int(digits.size()) + 1;
            if (zeros > 0)
                plain.append(std::size_t(zeros), '0');
        }
        text = plain;
    }
    if (text.find('.') == std::string::npos) {
        text += '.';
        text.append(std::size_t(WholeNumberDecimals), '0');
    }
    return text;
}

double PowerOfTen(int Exponent)
{
    return Exponent >= 0 ? ExactPowersOfTen[Exponent] : PowersOfTenBelowOne[-Exponent - 1];
}

// Writes Value as the C library's "%.<Precision>g" does (to_chars with the
// general format gives the same text). Coordinates of everyday size take a
// short way: the scaled value is exact to about 1e-8, so its rounding is
// certain unless it lies next to a half, which goes the general way.
int WriteGeneral(double Value, int Precision, char *Out, char *OutEnd)
{
    const double magnitude = std::fabs(Value);
    if (Precision <= FastPrecisionLimit && magnitude >= PowerOfTen(SmallestPlainExponent)
        && magnitude < ExactPowersOfTen[Precision]) {
        int exponent = magnitude >= 1.0 ? 0 : SmallestPlainExponent; // 10^exponent <= magnitude
        while (exponent + 1 < Precision && magnitude >= PowerOfTen(exponent + 1))
            ++exponent;
        const double scaled = magnitude * ExactPowersOfTen[Precision - 1 - exponent];
        double whole = double(std::int64_t(scaled)); // below 10^Precision
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > RoundingGuard) {
            whole += fraction > 0.5 ? 1.0 : 0.0; // either way is as likely
            if (whole >= ExactPowersOfTen[Precision]) { // 9.9999999 became 10.000000
                whole = ExactPowersOfTen[Precision - 1];
                ++exponent;
            }
            if (exponent < Precision) {
                // all Precision digits, two at a time from a table
                char eight[FastPrecisionLimit];
                const auto number = std::uint32_t(whole);
                const std::uint32_t high = number / 10000;
                const std::uint32_t low = number % 10000;
                std::memcpy(eight, DigitPairs + 2 * (high / 100), 2);
                std::memcpy(eight + 2, DigitPairs + 2 * (high % 100), 2);
                std::memcpy(eight + 4, DigitPairs + 2 * (low / 100), 2);
                std::memcpy(eight + 6, DigitPairs + 2 * (low % 100), 2);
                const char *const digits = eight + FastPrecisionLimit - Precision;
                int last = Precision - 1; // %g drops trailing zeros after the point
                while (last > std::max(exponent, 0) && digits[last] == '0')
                    --last;
                char *p = Out;
                if (Value < 0)
                    *p++ = '-';
                if (exponent >= 0) {
                    for (int k = 0; k <= exponent; ++k)
                        *p++ = digits[k];
                    if (last > exponent) {
                        *p++ = '.';
                        for (int k = exponent + 1; k <= last; ++k)
                            *p++ = digits[k];
                    }
                } else {
                    *p++ = '0';
                    *p++ = '.';
                    for (int k = 0; k < -exponent - 1; ++k)
                        *p++ = '0';
                    for (int k = 0; k <= last; ++k)
                        *p++ = digits[k];
                }
                return int(p - Out);
            }
        }
    }
    const auto result = std::to_chars(Out, OutEnd, Value, std::chars_format::general, Precision);
    return int(result.ptr - Out);
}

// The whole degrees are nearly always plain digits.
double ReadDegrees(QStringView text)
{
    double value = 0.0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return ReadNumber(text);
        value = value * 10.0 + (c.unicode() - u'0');
    }
    return value;
}

// Degrees and minutes (DDMM.mmmm or DDDMM.mmmm) to decimal degrees written
// with the given significant digits, lengthened with zeros to PaddedLength.
QString DegreesMinutesToText(QStringView field, int DegreeDigits, int SignificantDigits, int PaddedLength)
{
    if (field.isEmpty())
        return QString();
    const double degrees = ReadDegrees(field.left(DegreeDigits));
    const double minutes = field.size() > DegreeDigits ? ReadNumber(field.sliced(DegreeDigits)) : 0.0;
    double value = degrees + minutes / MinutesPerDegree;
    if (!std::isfinite(value))
        value = 0.0;
    value += 0.0;

    char general[48];
    const int length = WriteGeneral(value, SignificantDigits, general, general + sizeof(general) - 1);
    general[length] = '\0';
    bool point = false;
    bool exponent = false;
    for (int k = 0; k < length; ++k) {
        point = point || general[k] == '.';
        exponent = exponent || general[k] == 'e';
    }
    if (point && !exponent) {
        // the usual case: one allocation, digits and padding written in place
        QString text(std::max(length, PaddedLength), Qt::Uninitialized);
        QChar *out = text.data();
        for (int k = 0; k < length; ++k)
            out[k] = QLatin1Char(general[k]);
        for (qsizetype k = length; k < text.size(); ++k)
            out[k] = QLatin1Char('0');
        return text;
    }
    QString text = QString::fromStdString(PlainDecimal(general));
    if (text.size() < PaddedLength)
        text.append(QString(PaddedLength - text.size(), QChar(u'0')));
    return text;
}

double KnotsToKmh(QStringView field)
{
    if (field.isEmpty())
        return 0.0;
    const double kmh = ReadNumber(field) * KnotsToKmPerHour;
    return std::isfinite(kmh) ? kmh + 0.0 : 0.0;
}

bool IsValidLine(QStringView line)
{
    return !line.isEmpty() && line.front() == QChar(ValidFlag);
}

// Lines of a log share their date and hemispheres, and a car that stands
// still repeats its position: a text equal to the one before reuses its
// string instead of building a new one.
// Field texts are a few characters long: a plain loop beats a call.
bool SameText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    const char16_t *x = a.utf16();
    const char16_t *y = b.utf16();
    for (qsizetype k = 0; k < a.size(); ++k) {
        if (x[k] != y[k])
            return false;
    }
    return true;
}

QString ShareOrBuild(QStringView field, const QString &previous)
{
    if (!previous.isEmpty() && SameText(field, previous))
        return previous;
    return FieldText(field);
}

// One record per line, built from the fields found in a single pass. Its
// result is the same as calling the eight slots one after the other.
// A log line with a fix is rarely shorter than this; used to size the track.
constexpr qint64 ShortestUsualLineBytes = 40;
constexpr qint64 MaxReservedRecords = 200000; // two days of driving

class TrackBuilder
{
public:
    explicit TrackBuilder(QList<GpsRecord> &Track) : Track(Track) {}

    void AddLine(QStringView line)
    {
        static const GpsRecord None;
        const GpsRecord &previous = Track.isEmpty() ? None : Track.constLast();
        const LineFields fields = SplitLine(line, VelocityField);
        // built member by member in place: a default record first would
        // cost a clearing of the whole record per line
        Track.append(GpsRecord{
            IsValidLine(line),
            ShareOrBuild(fields.Field(DateField), previous.Date),
            FieldText(fields.Field(TimeField)),
            Coordinate(fields.Field(LongitudeField), PreviousLongitudeField, previous.Longitude,
                       LongitudeDegreeDigits, LongitudeSignificantDigits, LongitudePaddedLength),
            ShareOrBuild(fields.Field(EastOrWestField), previous.EastOrWest),
            Coordinate(fields.Field(LatitudeField), PreviousLatitudeField, previous.Latitude,
                       LatitudeDegreeDigits, LatitudeSignificantDigits, LatitudePaddedLength),
            ShareOrBuild(fields.Field(SouthOrNorthField), previous.SouthOrNorth),
            KnotsToKmh(fields.Field(VelocityField))});
    }

private:
    // The raw text of a coordinate field of the line before, kept in place
    // so that following it costs no allocation.
    struct RawField
    {
        std::array<char16_t, RawFieldCapacity> Text{};
        qsizetype Size = -1; // nothing kept

        bool Matches(QStringView field) const
        {
            return Size >= 0 && SameText(field, QStringView(Text.data(), Size));
        }
        void Keep(QStringView field)
        {
            Size = field.size() <= RawFieldCapacity ? field.size() : -1;
            const char16_t *from = field.utf16();
            for (qsizetype k = 0; k < Size; ++k)
                Text[k] = from[k];
        }
    };

    static QString Coordinate(QStringView field, RawField &previousField, const QString &previousText,
                              int DegreeDigits, int SignificantDigits, int PaddedLength)
    {
        if (previousField.Matches(field))
            return previousText;
        previousField.Keep(field);
        return DegreesMinutesToText(field, DegreeDigits, SignificantDigits, PaddedLength);
    }

    QList<GpsRecord> &Track;
    RawField PreviousLatitudeField;
    RawField PreviousLongitudeField;
};

QStringView WithoutCarriageReturn(QStringView line)
{
    return line.endsWith(QChar(CarriageReturn)) ? line.chopped(1) : line;
}

} // namespace

GpsLogData::GpsLogData(QObject *parent) : QObject(parent) {}

void GpsLogData::ClearGpsData()
{
    GpsDataList.clear();
}

// Reads the text in large pieces and cuts the lines out of them itself;
// the line ends are those of QTextStream::readLine ("\n" or "\r\n", and a
// "\r" that ends the file).
void GpsLogData::ReadGpsfile(QString GpsfilePath)
{
    // Only a regular file: a directory gives nothing, and a FIFO or device
    // would block or never end.
    if (!QFileInfo(GpsfilePath).isFile())
        return;
    QFile file(GpsfilePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Room for the whole track at once: growing the list line by line moves
    // every record already read several times over.
    GpsDataList.reserve(GpsDataList.size() + qsizetype(qMin<qint64>(file.size() / ShortestUsualLineBytes, MaxReservedRecords)));
    QTextStream in(&file);
    TrackBuilder builder(GpsDataList);
    QString carry;
    for (;;) {
        const QString chunk = in.read(ReadChunkChars);
        if (chunk.isEmpty())
            break;
        const QStringView text(chunk);
        qsizetype start = 0;
        qsizetype end = text.indexOf(QChar(LineFeed));
        if (!carry.isEmpty()) {
            if (end < 0) {
                carry.append(text);
                continue;
            }
            carry.append(text.left(end));
            builder.AddLine(WithoutCarriageReturn(carry));
            carry.clear();
            start = end + 1;
            end = text.indexOf(QChar(LineFeed), start);
        }
        while (end >= 0) {
            builder.AddLine(WithoutCarriageReturn(text.sliced(start, end - start)));
            start = end + 1;
            end = text.indexOf(QChar(LineFeed), start);
        }
        carry = text.sliced(start).toString();
    }
    if (!carry.isEmpty())
        builder.AddLine(WithoutCarriageReturn(carry));
    file.close();
    qDebug() << ReadDoneTrace;
}

GpsRecord GpsLogData::GetGpsDataAt(int Second) const
{
    if (GpsDataList.isEmpty())
        return GpsRecord();
    const qsizetype last = GpsDataList.size() - 1;
    const qsizetype index = Second < 0 ? 0 : qMin<qsizetype>(Second, last);
    return GpsDataList.at(index);
}

GpsRecord GpsLogData::GetFirstAvailableGpsData() const
{
    for (const GpsRecord &record : GpsDataList) {
        if (record.DataAvailable)
            return record;
    }
    return GpsRecord();
}

bool GpsLogData::GetDataAvailable(QString linedata)
{
    return IsValidLine(linedata);
}

QString GpsLogData::GetDate(QString linedata)
{
    return FieldText(SplitLine(linedata, DateField).Field(DateField));
}

QString GpsLogData::GetTime(QString linedata)
{
    return FieldText(SplitLine(linedata, TimeField).Field(TimeField));
}

QString GpsLogData::GetLongitude(QString linedata)
{
    return DegreesMinutesToText(SplitLine(linedata, LongitudeField).Field(LongitudeField),
                                LongitudeDegreeDigits, LongitudeSignificantDigits, LongitudePaddedLength);
}

QString GpsLogData::GetEastOrWest(QString linedata)
{
    return FieldText(SplitLine(linedata, EastOrWestField).Field(EastOrWestField));
}

QString GpsLogData::GetLatitude(QString linedata)
{
    return DegreesMinutesToText(SplitLine(linedata, LatitudeField).Field(LatitudeField),
                                LatitudeDegreeDigits, LatitudeSignificantDigits, LatitudePaddedLength);
}

QString GpsLogData::GetSouthOrNorth(QString linedata)
{
    return FieldText(SplitLine(linedata, SouthOrNorthField).Field(SouthOrNorthField));
}

double GpsLogData::GetVelocity(QString linedata)
{
    return KnotsToKmh(SplitLine(linedata, VelocityField).Field(VelocityField));
}

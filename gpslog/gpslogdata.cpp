#include "gpslogdata.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QStringView>
#include <QTextStream>
#include <QVarLengthArray>

#include <array>
#include <charconv>
#include <cmath>
#include <string>

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

// Characters taken from the text stream per read while loading a track.
constexpr qint64 ReadChunkChars = 64 * 1024;

constexpr const char *ReadDoneTrace = "addend";

// Where the fields of one line lie. A field that does not exist (missing
// separator) is a null view; an empty field is an empty view.
struct LineFields
{
    std::array<QStringView, FieldCount> Field{};
};

// Finds fields 1 to LastField of a line. Each comma is searched from just
// after the previous one, so a missing separator can never make a later
// field fall back onto an earlier part of the line.
LineFields SplitLine(QStringView line, int LastField)
{
    LineFields fields;
    std::array<qsizetype, FieldCount> comma{};
    const int commasNeeded = LastField < VelocityField ? LastField + 1 : VelocityField;
    qsizetype from = 0;
    int found = 0;
    while (found < commasNeeded) {
        const qsizetype at = line.indexOf(QChar(FieldSeparator), from);
        if (at < 0)
            break;
        comma[found++] = at;
        from = at + 1;
    }
    for (int k = 1; k <= LastField && k < VelocityField; ++k) {
        if (k < found) // the k-th comma is comma[k-1], the (k+1)-th comma[k]
            fields.Field[k] = line.sliced(comma[k - 1] + 1, comma[k] - comma[k - 1] - 1);
    }
    if (LastField >= VelocityField && found >= VelocityField) {
        const qsizetype start = comma[VelocityField - 1] + 1;
        const qsizetype end = line.indexOf(QChar(SpeedTerminator), start);
        if (end >= 0)
            fields.Field[VelocityField] = line.sliced(start, end - start);
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
    text = text.trimmed();
    if (text.isEmpty())
        return 0.0;

    QVarLengthArray<char, 64> ascii(text.size());
    qsizetype i = 0;
    bool digits = false;
    bool point = false;
    qsizetype n = 0;
    const auto at = [&](qsizetype k) { return k < text.size() ? text[k].unicode() : char16_t(0); };
    if (at(i) == u'+' || at(i) == u'-') {
        if (at(i) == u'-') // from_chars takes no "+"
            ascii[n++] = '-';
        ++i;
    }
    for (; i < text.size(); ++i) {
        const char16_t c = at(i);
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        ascii[n++] = char(c);
    }
    if (!digits)
        return 0.0;
    if (at(i) == u'e' || at(i) == u'E') {
        ascii[n++] = 'e';
        ++i;
        if (at(i) == u'+' || at(i) == u'-')
            ascii[n++] = char(at(i++));
        bool exponentDigits = false;
        for (; i < text.size() && at(i) >= u'0' && at(i) <= u'9'; ++i) {
            ascii[n++] = char(at(i));
            exponentDigits = true;
        }
        if (!exponentDigits)
            return 0.0;
    }
    if (i != text.size())
        return 0.0;

    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + n, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != ascii.data() + n || !std::isfinite(value))
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
            plain += digits;
            const int zeros = exponent - int(digits.size()) + 1;
            if (zeros > 0)
                plain.append(std::size_t(zeros), '0');
            // %g only uses an exponent this large when the value has no
            // significant digits after the decimal point
        }
        text = plain;
    }
    if (text.find('.') == std::string::npos) {
        text += '.';
        text.append(std::size_t(WholeNumberDecimals), '0');
    }
    return text;
}

// Degrees and minutes (DDMM.mmmm or DDDMM.mmmm) to decimal degrees written
// with the given significant digits, lengthened with zeros to PaddedLength.
QString DegreesMinutesToText(QStringView field, int DegreeDigits, int SignificantDigits, int PaddedLength)
{
    if (field.isEmpty())
        return QString();
    const double degrees = ReadNumber(field.left(DegreeDigits));
    const double minutes = field.size() > DegreeDigits ? ReadNumber(field.sliced(DegreeDigits)) : 0.0;
    double value = degrees + minutes / MinutesPerDegree;
    if (!std::isfinite(value))
        value = 0.0;
    value += 0.0;

    char general[40];
    const auto result = std::to_chars(general, general + sizeof(general) - 1, value,
                                      std::chars_format::general, SignificantDigits);
    *result.ptr = '\0';

    // The usual case, a value with a decimal point and no exponent, needs no
    // detour through std::string.
    const qsizetype length = result.ptr - general;
    bool plain = false;
    for (qsizetype k = 0; k < length; ++k) {
        if (general[k] == 'e') {
            plain = false;
            break;
        }
        if (general[k] == '.')
            plain = true;
    }
    QString text;
    if (plain) {
        text = QString::fromLatin1(general, length);
    } else {
        text = QString::fromStdString(PlainDecimal(general));
    }
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
void ShareOrBuild(QString &target, QStringView field, const QString &previous)
{
    if (!previous.isEmpty() && field == previous)
        target = previous;
    else
        target = FieldText(field);
}

// One record per line, built from the fields found in a single pass. Its
// result is the same as calling the eight slots one after the other.
class TrackBuilder
{
public:
    explicit TrackBuilder(QList<GpsRecord> &Track) : Track(Track) {}

    void AddLine(QStringView line)
    {
        const LineFields fields = SplitLine(line, VelocityField);
        GpsRecord record;
        record.DataAvailable = IsValidLine(line);
        ShareOrBuild(record.Date, fields.Field[DateField], Previous.Date);
        record.Time = FieldText(fields.Field[TimeField]);
        record.Longitude = Coordinate(fields.Field[LongitudeField], PreviousLongitudeField, Previous.Longitude,
                                      LongitudeDegreeDigits, LongitudeSignificantDigits, LongitudePaddedLength);
        ShareOrBuild(record.EastOrWest, fields.Field[EastOrWestField], Previous.EastOrWest);
        record.Latitude = Coordinate(fields.Field[LatitudeField], PreviousLatitudeField, Previous.Latitude,
                                     LatitudeDegreeDigits, LatitudeSignificantDigits, LatitudePaddedLength);
        ShareOrBuild(record.SouthOrNorth, fields.Field[SouthOrNorthField], Previous.SouthOrNorth);
        record.Velocity = KnotsToKmh(fields.Field[VelocityField]);
        Previous = record;
        Track.append(std::move(record));
    }

private:
    static QString Coordinate(QStringView field, QString &previousField, const QString &previousText,
                              int DegreeDigits, int SignificantDigits, int PaddedLength)
    {
        if (!previousField.isEmpty() && field == previousField)
            return previousText;
        // resize keeps the capacity, so following the raw text costs no
        // allocation once the field width is known
        previousField.resize(0);
        previousField.append(field);
        return DegreesMinutesToText(field, DegreeDigits, SignificantDigits, PaddedLength);
    }

    QList<GpsRecord> &Track;
    GpsRecord Previous;
    QString PreviousLatitudeField;
    QString PreviousLongitudeField;
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
    return FieldText(SplitLine(linedata, DateField).Field[DateField]);
}

QString GpsLogData::GetTime(QString linedata)
{
    return FieldText(SplitLine(linedata, TimeField).Field[TimeField]);
}

QString GpsLogData::GetLongitude(QString linedata)
{
    return DegreesMinutesToText(SplitLine(linedata, LongitudeField).Field[LongitudeField],
                                LongitudeDegreeDigits, LongitudeSignificantDigits, LongitudePaddedLength);
}

QString GpsLogData::GetEastOrWest(QString linedata)
{
    return FieldText(SplitLine(linedata, EastOrWestField).Field[EastOrWestField]);
}

QString GpsLogData::GetLatitude(QString linedata)
{
    return DegreesMinutesToText(SplitLine(linedata, LatitudeField).Field[LatitudeField],
                                LatitudeDegreeDigits, LatitudeSignificantDigits, LatitudePaddedLength);
}

QString GpsLogData::GetSouthOrNorth(QString linedata)
{
    return FieldText(SplitLine(linedata, SouthOrNorthField).Field[SouthOrNorthField]);
}

double GpsLogData::GetVelocity(QString linedata)
{
    return KnotsToKmh(SplitLine(linedata, VelocityField).Field[VelocityField]);
}

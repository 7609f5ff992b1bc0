#include "mp4gpswriter.h"

#include <QTimeZone>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

constexpr quint32 MovieTimescale = 1000;
constexpr double KmhPerKnot = 1.852;
constexpr double KmhPerMetrePerSecond = 3.6;
constexpr int BlackVueAccelerationBytes = 64;
constexpr int GpmfAccelerationSamples = 4;

// Degrees as DDDMM in whole units of 1/Fraction minute.
quint64 DegreesMinutes(double Degrees, int Fraction)
{
    const quint64 total = quint64(std::llround(std::fabs(Degrees) * 60.0 * Fraction));
    return total / (60 * quint64(Fraction)) * 100 * quint64(Fraction) + total % (60 * quint64(Fraction));
}

QByteArray NmeaCoordinate(double Degrees, int DegreeDigits)
{
    const quint64 value = DegreesMinutes(Degrees, 10000);
    const quint64 whole = value / 10000;
    return QByteArray::number(whole).rightJustified(DegreeDigits + 2, '0') + '.'
        + QByteArray::number(value % 10000).rightJustified(4, '0');
}

QByteArray BigEndian16(quint16 Value)
{
    QByteArray bytes(2, Qt::Uninitialized);
    qToBigEndian(Value, bytes.data());
    return bytes;
}

QByteArray LittleEndianDouble(double Value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &Value, sizeof bits);
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

// Bytes written at a place of a block, which grows with zeros to hold them.
void Put(QByteArray &Block, int At, const QByteArray &Bytes)
{
    if (Block.size() < At + Bytes.size())
        Block.resize(At + Bytes.size(), '\0');
    Block.replace(At, Bytes.size(), Bytes);
}

// The hemisphere letter, as a little-endian word when Word.
QByteArray Hemisphere(double Value, char Positive, char Negative, bool Word = false)
{
    const QByteArray letter(1, Value < 0 ? Negative : Positive);
    return Word ? letter + QByteArray(3, '\0') : letter;
}

// DDMM.MMMM of a coordinate's size, as a number.
double DegreesMinutesValue(double Degrees)
{
    return DegreesMinutes(Degrees, 10000) / 10000.0;
}

QByteArray NmeaSentence(const QByteArray &Body)
{
    quint8 sum = 0;
    for (char c : Body)
        sum ^= quint8(c);
    return '$' + Body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

// The top-level boxes' offsets, for files with 32-bit sizes.
QList<qsizetype> TopLevelOffsets(const QByteArray &File)
{
    QList<qsizetype> offsets;
    qsizetype at = 0;
    while (File.size() - at >= 8) {
        quint64 size = qFromBigEndian<quint32>(File.constData() + at);
        if (size == 1 && File.size() - at >= 16)
            size = qFromBigEndian<quint64>(File.constData() + at + 8);
        else if (size == 0)
            size = quint64(File.size() - at);
        if (size < 8 || size > quint64(File.size() - at))
            return {};
        offsets.append(at);
        at += qsizetype(size);
    }
    return offsets;
}

} // namespace

QByteArray Mp4GpsWriter::AppendToMovie(const QByteArray &Video, const QByteArray &Child)
{
    const QList<qsizetype> offsets = TopLevelOffsets(Video);
    if (offsets.isEmpty() || Video.mid(offsets.last() + 4, 4) != "moov"
        || qFromBigEndian<quint32>(Video.constData() + offsets.last()) <= 1)
        return {};
    QByteArray result = Video + Child;
    const quint32 size = quint32(Video.size() - offsets.last() + Child.size());
    qToBigEndian(size, result.data() + offsets.last());
    return result;
}


QByteArray Mp4GpsWriter::BigEndian32(quint32 Value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(Value, bytes.data());
    return bytes;
}

QByteArray Mp4GpsWriter::BigEndian64(quint64 Value)
{
    QByteArray bytes(8, Qt::Uninitialized);
    qToBigEndian(Value, bytes.data());
    return bytes;
}

QByteArray Mp4GpsWriter::LittleEndian32(quint32 Value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(Value, bytes.data());
    return bytes;
}

QByteArray Mp4GpsWriter::LittleEndianFloat(float Value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &Value, sizeof bits);
    return LittleEndian32(bits);
}

QByteArray Mp4GpsWriter::Box(const char *Type, const QByteArray &Payload)
{
    return BigEndian32(quint32(8 + Payload.size())) + QByteArray(Type, 4) + Payload;
}

QByteArray Mp4GpsWriter::LargeBox(const char *Type, const QByteArray &Payload)
{
    return BigEndian32(1) + QByteArray(Type, 4) + BigEndian64(quint64(16 + Payload.size())) + Payload;
}

QByteArray Mp4GpsWriter::FullBox(const char *Type, quint8 Version, const QByteArray &Payload)
{
    return Box(Type, char(Version) + QByteArray(3, '\0') + Payload);
}

QByteArray Mp4GpsWriter::FileType()
{
    return Box("ftyp", "mp42" + BigEndian32(0) + "mp42isom");
}

QByteArray Mp4GpsWriter::Movie(const QByteArray &Children)
{
    // Creation and modification times, timescale, duration, then rate,
    // volume, matrix and the next track id, all plain.
    QByteArray header = BigEndian32(0) + BigEndian32(0) + BigEndian32(MovieTimescale) + BigEndian32(0)
        + BigEndian32(0x00010000) + QByteArray("\x01\x00", 2) + QByteArray(10, '\0');
    const quint32 matrix[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (quint32 m : matrix)
        header += BigEndian32(m);
    header += QByteArray(24, '\0') + BigEndian32(2);
    return Box("moov", FullBox("mvhd", 0, header) + Children);
}

GpsFixList Mp4GpsWriter::Drive(int Seconds, double Latitude, double Longitude, const QDateTime &Start)
{
    GpsFixList fixes;
    for (int i = 0; i < Seconds; ++i) {
        GpsFix fix;
        fix.Valid = true;
        fix.Utc = Start.addSecs(i);
        fix.OffsetMs = i * 1000;
        // About 12 m north and 12 m east a second, a little faster each time.
        fix.Latitude = Latitude + i * 0.00011;
        fix.Longitude = Longitude + i * 0.00018;
        fix.SpeedKmh = 60.0 + i * 0.5;
        fix.Course = 45.0;
        fix.Altitude = 100.0 + i;
        fixes.append(fix);
    }
    return fixes;
}

QByteArray Mp4GpsWriter::NovatekBlock(const GpsFix &Fix, const NovatekOptions &Options)
{
    using Layout = NovatekOptions::Layout;
    const QDate date = Fix.Utc.date();
    const QTime time = Fix.Utc.time();
    const int shortYear = date.year() - 2000;
    const int year = Options.FullYear ? date.year() : shortYear;
    const double latitude = Fix.Valid ? DegreesMinutesValue(Fix.Latitude) : 0.0;
    const double longitude = Fix.Valid ? DegreesMinutesValue(Fix.Longitude) : 0.0;
    const double knots = Fix.SpeedKmh / KmhPerKnot;
    const double course = std::isnan(Fix.Course) ? 0.0 : Fix.Course;
    const double altitude = std::isnan(Fix.Altitude) ? 0.0 : Fix.Altitude;
    const QByteArray status(1, Fix.Valid ? 'A' : 'V');
    const QByteArray statusWord = status + QByteArray(3, '\0');
    auto words = [](std::initializer_list<int> Values) {
        QByteArray bytes;
        for (int v : Values)
            bytes += LittleEndian32(quint32(v));
        return bytes;
    };
    const QByteArray clock = words({time.hour(), time.minute(), time.second()});
    const QByteArray calendar = words({year, date.month(), date.day()});
    const QByteArray acceleration = words({120, -40, 1010});

    QByteArray block = BigEndian32(0) + "freeGPS ";
    switch (Options.Kind) {
    case Layout::FloatReport:
        block += QByteArray(Options.LeadingBytes, '\0') + clock + calendar + status
            + Hemisphere(Fix.Latitude, 'N', 'S') + Hemisphere(Fix.Longitude, 'E', 'W') + '\0'
            + LittleEndianFloat(float(latitude)) + LittleEndianFloat(float(longitude)) + LittleEndianFloat(float(knots))
            + LittleEndianFloat(float(course));
        break;
    case Layout::FloatStatusWord:
        // The course is stored half a turn off.
        Put(block, 48, clock + (Fix.Valid ? statusWord : QByteArray(4, '\0')) + LittleEndianFloat(float(latitude))
                           + Hemisphere(Fix.Latitude, 'N', 'S', true) + LittleEndianFloat(float(longitude))
                           + Hemisphere(Fix.Longitude, 'E', 'W', true) + LittleEndianFloat(float(Fix.SpeedKmh))
                           + LittleEndianFloat(float(std::fmod(course + 180.0, 360.0))) + calendar + acceleration);
        break;
    case Layout::FloatYearFirst:
        Put(block, 64, (Fix.Valid ? status : QByteArray(1, '\0')) + Hemisphere(Fix.Latitude, 'N', 'S')
                           + Hemisphere(Fix.Longitude, 'E', 'W') + '\0'
                           + words({year, date.month(), date.day(), time.hour(), time.minute(), time.second()})
                           + LittleEndianFloat(float(longitude)) + LittleEndianFloat(float(latitude))
                           + LittleEndianFloat(float(knots)) + LittleEndianFloat(float(course))
                           + LittleEndianFloat(float(altitude)) + acceleration);
        break;
    case Layout::DoubleReport:
        Put(block, 48, clock + (Fix.Valid ? statusWord : QByteArray(4, '\0')) + LittleEndianDouble(latitude)
                           + Hemisphere(Fix.Latitude, 'N', 'S', true) + QByteArray(4, '\0') + LittleEndianDouble(longitude)
                           + Hemisphere(Fix.Longitude, 'E', 'W', true) + QByteArray(4, '\0') + LittleEndianDouble(knots)
                           + LittleEndianDouble(course) + calendar + acceleration);
        break;
    case Layout::DoubleReportEarlyStatus:
        Put(block, 16, clock + (Fix.Valid ? statusWord : QByteArray(4, '\0')) + LittleEndianDouble(latitude)
                           + Hemisphere(Fix.Latitude, 'N', 'S', true) + QByteArray(4, '\0') + LittleEndianDouble(longitude)
                           + Hemisphere(Fix.Longitude, 'E', 'W', true) + QByteArray(4, '\0') + LittleEndianDouble(knots)
                           + LittleEndianDouble(course) + calendar + acceleration);
        break;
    case Layout::IntegerReport:
        Put(block, 16, "IQS_A7_20150417");
        Put(block, 48, clock + calendar + status + Hemisphere(Fix.Latitude, 'N', 'S')
                           + Hemisphere(Fix.Longitude, 'E', 'W') + '\0'
                           + LittleEndian32(quint32(std::llround(std::fabs(Fix.Valid ? Fix.Latitude : 0.0) * 1e7)))
                           + LittleEndian32(quint32(std::llround(std::fabs(Fix.Valid ? Fix.Longitude : 0.0) * 1e7)))
                           + LittleEndian32(quint32(std::llround(Fix.SpeedKmh / KmhPerMetrePerSecond * 100.0)))
                           + LittleEndianFloat(float(altitude * 1000.0)));
        break;
    case Layout::XorText: {
        QByteArray text = QByteArray("\0\0XKZD\xfe\xfe", 8)
            + Fix.Utc.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + '\x0c' + "VIALUMO TEST   "
            + Hemisphere(Fix.Latitude, 'N', 'S')
            + QByteArray::number(DegreesMinutes(Fix.Valid ? Fix.Latitude : 0.0, 10000)).rightJustified(8, '0')
            + Hemisphere(Fix.Longitude, 'E', 'W')
            + QByteArray::number(DegreesMinutes(Fix.Valid ? Fix.Longitude : 0.0, 10000)).rightJustified(9, '0')
            + QByteArray::number(std::llround(Fix.SpeedKmh)).rightJustified(8, '0') + "+012-004+101";
        text += QByteArray(0x101 - text.size(), '\0');
        for (char &c : text)
            c = char(quint8(c) ^ 0xaa);
        Put(block, 16, QByteArray("\x01\x03", 2) + text);
        break;
    }
    case Layout::NmeaText: {
        QByteArray sentences;
        for (const QByteArray &line : NmeaLines({Fix}).split('\n')) {
            const qsizetype close = line.indexOf(']');
            if (close >= 0)
                sentences += line.mid(close + 1, line.lastIndexOf('*') - close) + "00\r\n";
        }
        Put(block, 16, "x.xx");
        Put(block, 32, "00000");
        Put(block, 52, Fix.Utc.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1());
        Put(block, 68, words({256, -512, 256 * 4}) + sentences);
        break;
    }
    case Layout::ShiftedNmea: {
        QByteArray rmc = NmeaLines({Fix}).split('\n').value(0);
        rmc = rmc.mid(rmc.indexOf(']') + 1).trimmed().left(80);
        rmc += QByteArray(80 - rmc.size(), '\0');
        for (char &c : rmc)
            c = char(quint8(c) + 16);
        Put(block, 16, "ZXSBNXYS");
        Put(block, 60, rmc);
        break;
    }
    case Layout::FloatRecords:
    case Layout::IntegerRecords:
        return NovatekRecordsBlock({Fix}, Options);
    case Layout::Zeros:
        break;
    }
    const int size = std::max(Options.BlockSize, int(block.size()) + 4);
    block += QByteArray(size - block.size(), '\0');
    qToBigEndian(quint32(size), block.data());
    return block;
}

QByteArray Mp4GpsWriter::NovatekRecordsBlock(const GpsFixList &Reports, const NovatekOptions &Options)
{
    QByteArray block = BigEndian32(0) + "freeGPS ";
    if (Options.Kind == NovatekOptions::Layout::FloatRecords) {
        Put(block, 12, QByteArray(4, '\0'));
        for (const GpsFix &fix : Reports) {
            block += QByteArray(1, 'A') + Hemisphere(fix.Latitude, 'N', 'S') + Hemisphere(fix.Longitude, 'E', 'W') + '\0'
                + LittleEndianFloat(float(DegreesMinutesValue(fix.Latitude)))
                + LittleEndianFloat(float(DegreesMinutesValue(fix.Longitude)))
                + LittleEndianFloat(float(fix.SpeedKmh / KmhPerKnot))
                + LittleEndianFloat(float(std::isnan(fix.Course) ? 0.0 : fix.Course)) + LittleEndian32(7)
                + LittleEndian32(quint32(-3)) + LittleEndian32(1000);
        }
    } else {
        Put(block, 16, "x.xx");
        Put(block, 32, "00000");
        Put(block, 48, "$S");
        for (const GpsFix &fix : Reports) {
            const QDate date = fix.Utc.date();
            const QTime time = fix.Utc.time();
            const double course = std::isnan(fix.Course) ? 0.0 : fix.Course;
            QByteArray record = BigEndian16(quint16(std::lround(fix.SpeedKmh / KmhPerMetrePerSecond * 100.0)))
                + BigEndian16(quint16(qint16(std::lround((course > 180.0 ? course - 360.0 : course) * 100.0))))
                + BigEndian16(quint16(date.year())) + char(date.month()) + char(date.day()) + char(time.hour())
                + char(time.minute()) + BigEndian16(quint16(time.second() * 10 + time.msec() / 100)) + '\x02'
                + BigEndian32(quint32(qint32(std::llround(fix.Latitude * 1e7))))
                + BigEndian32(quint32(qint32(std::llround(fix.Longitude * 1e7)))) + '\x10';
            block += record + QByteArray(32 - record.size(), '\0');
        }
    }
    const int size = std::max(Options.BlockSize, int(block.size()) + 4);
    block += QByteArray(size - block.size(), '\0');
    qToBigEndian(quint32(size), block.data());
    return block;
}

QByteArray Mp4GpsWriter::NovatekIndex(const QList<QPair<quint32, quint32>> &Blocks)
{
    QByteArray payload = BigEndian32(1) + BigEndian32(quint32(Blocks.size()));
    for (const auto &block : Blocks)
        payload += BigEndian32(block.first) + BigEndian32(block.second);
    return payload;
}

QByteArray Mp4GpsWriter::Novatek(const GpsFixList &Fixes, const NovatekOptions &Options)
{
    QByteArray file = FileType() + Box("mdat", QByteArray(64, '\x5a'));
    QList<QPair<quint32, quint32>> blocks;
    for (const GpsFix &fix : Fixes) {
        const QByteArray block = NovatekBlock(fix, Options);
        blocks.append({quint32(file.size()), quint32(block.size())});
        file += block;
    }
    return file + Movie(Box("gps ", NovatekIndex(blocks)));
}

QByteArray Mp4GpsWriter::NovatekUnindexed(const GpsFixList &Fixes, const NovatekOptions &Options,
                                          int LeadingMediaBytes)
{
    constexpr int Stride = 0x8000;
    NovatekOptions options = Options;
    options.BlockSize = Stride;
    const QByteArray head = FileType();
    // The media data starts after the 'mdat' header (64-bit sizes); the
    // first block sits on the first boundary after LeadingMediaBytes.
    const qsizetype mediaStart = head.size() + 16;
    const qsizetype firstBlock = (mediaStart + LeadingMediaBytes + Stride - 1) / Stride * Stride;
    QByteArray media(firstBlock - mediaStart, '\x5a');
    for (const GpsFix &fix : Fixes)
        media += NovatekBlock(fix, options) + QByteArray(Stride, '\x5a');
    return head + LargeBox("mdat", media) + Movie();
}

QByteArray Mp4GpsWriter::SeventyMaiBoxes(const QList<GpsFixList> &Parts)
{
    QByteArray file = FileType() + Box("free", {}) + Box("mdat", QByteArray(64, '\x5a')) + Movie() + Box("GPS ", {});
    // Each with an unused slot after its records, as the recorder leaves.
    for (const GpsFixList &part : Parts)
        file += SeventyMaiBox(part, int(part.size()) + 1);
    return file;
}

QByteArray Mp4GpsWriter::SeventyMaiRecord(const GpsFix &Fix)
{
    QByteArray record = LittleEndian32(1) + LittleEndian32(1) + LittleEndian32(quint32(Fix.OffsetMs / 1000))
        + LittleEndian32(quint32(std::lround(Fix.SpeedKmh * 1000.0)));
    if (Fix.Valid) {
        record += Fix.Latitude < 0 ? 'S' : 'N';
        record += LittleEndian32(quint32(DegreesMinutes(Fix.Latitude, 1000)));
        record += Fix.Longitude < 0 ? 'W' : 'E';
        record += LittleEndian32(quint32(DegreesMinutes(Fix.Longitude, 1000)));
    } else {
        record += QByteArray(10, '\0');
    }
    return record + QByteArray(10, '\0');
}

QByteArray Mp4GpsWriter::SeventyMaiBox(const GpsFixList &Fixes, int Slots)
{
    QByteArray payload;
    for (const GpsFix &fix : Fixes)
        payload += SeventyMaiRecord(fix);
    for (qsizetype i = Fixes.size(); i < Slots; ++i)
        payload += QByteArray(36, '\0');
    return Box("GPS ", payload);
}

QByteArray Mp4GpsWriter::SeventyMai(const GpsFixList &Fixes, int Slots)
{
    return FileType() + Box("free", {}) + Box("mdat", QByteArray(64, '\x5a')) + Movie()
        + SeventyMaiBox(Fixes, Slots);
}

QByteArray Mp4GpsWriter::NmeaLines(const GpsFixList &Fixes)
{
    QByteArray text;
    for (const GpsFix &fix : Fixes) {
        const QByteArray stamp = '[' + QByteArray::number(fix.Utc.toMSecsSinceEpoch()) + ']';
        const QByteArray time = fix.Utc.time().toString(QStringLiteral("HHmmss.zzz")).toLatin1().left(9);
        const QByteArray date = fix.Utc.date().toString(QStringLiteral("ddMMyy")).toLatin1();
        QByteArray position = ",,,";
        if (fix.Valid) {
            position = NmeaCoordinate(fix.Latitude, 2) + (fix.Latitude < 0 ? ",S," : ",N,")
                + NmeaCoordinate(fix.Longitude, 3) + (fix.Longitude < 0 ? ",W" : ",E");
        }
        text += stamp
            + NmeaSentence("GPRMC," + time + (fix.Valid ? ",A," : ",V,") + position + ','
                           + QByteArray::number(fix.SpeedKmh / KmhPerKnot, 'f', 3) + ','
                           + QByteArray::number(std::isnan(fix.Course) ? 0.0 : fix.Course, 'f', 2) + ','
                           + date + ",,,A");
        text += stamp
            + NmeaSentence("GPGGA," + time + ',' + position + (fix.Valid ? ",1,08,0.9," : ",0,00,99.9,")
                           + QByteArray::number(std::isnan(fix.Altitude) ? 0.0 : fix.Altitude, 'f', 1)
                           + ",M,40.0,M,,");
    }
    return text;
}

QByteArray Mp4GpsWriter::BlackVue(const GpsFixList &Fixes)
{
    return FileType() + Box("mdat", QByteArray(64, '\x5a')) + Movie()
        + Box("free", Box("gps ", NmeaLines(Fixes) + QByteArray(16, '\0'))
                          + Box("3gf ", QByteArray(BlackVueAccelerationBytes, '\0')));
}

QByteArray Mp4GpsWriter::GpmfEntry(const char *Key, char Type, int StructBytes, int Repeat, const QByteArray &Payload)
{
    QByteArray entry = QByteArray(Key, 4) + Type + char(quint8(StructBytes));
    entry += char(quint8(Repeat >> 8));
    entry += char(quint8(Repeat & 0xff));
    entry += Payload;
    while (entry.size() % 4 != 0)
        entry += '\0';
    return entry;
}

QByteArray Mp4GpsWriter::GpmfNested(const char *Key, const QByteArray &Entries)
{
    return GpmfEntry(Key, '\0', 1, int(Entries.size()), Entries);
}

QByteArray Mp4GpsWriter::GpmfAccelerometerStream()
{
    QByteArray acceleration;
    for (int i = 0; i < GpmfAccelerationSamples * 3; ++i)
        acceleration += QByteArray("\x01\xa1", 2);
    return GpmfNested("STRM", GpmfEntry("STNM", 'c', 1, 13, "Accelerometer")
                                  + GpmfEntry("SCAL", 's', 2, 1, QByteArray("\x01\xa1", 2))
                                  + GpmfEntry("ACCL", 's', 6, GpmfAccelerationSamples, acceleration));
}

QByteArray Mp4GpsWriter::GpmfGps5Stream(const GpsFixList &Fixes, int FixKind)
{
    QByteArray positions;
    for (const GpsFix &fix : Fixes) {
        const double values[5] = {fix.Latitude * 1e7, fix.Longitude * 1e7,
                                  (std::isnan(fix.Altitude) ? 0.0 : fix.Altitude) * 1000.0,
                                  fix.SpeedKmh / KmhPerMetrePerSecond * 1000.0,
                                  fix.SpeedKmh / KmhPerMetrePerSecond * 100.0};
        for (double v : values)
            positions += BigEndian32(quint32(qint32(std::llround(v))));
    }
    QByteArray scales;
    for (quint32 s : {10000000u, 10000000u, 1000u, 1000u, 100u})
        scales += BigEndian32(s);
    QByteArray utc = Fixes.isEmpty() ? QByteArray()
                                     : Fixes.first().Utc.toString(QStringLiteral("yyMMddHHmmss.zzz")).toLatin1();
    if (utc.size() != 16)
        utc = QByteArray(16, '0');
    return GpmfNested("STRM", GpmfEntry("STNM", 'c', 1, 3, "GPS")
                                  + GpmfEntry("GPSF", 'L', 4, 1, BigEndian32(quint32(FixKind)))
                                  + GpmfEntry("GPSU", 'U', 16, 1, utc)
                                  + GpmfEntry("GPSP", 'S', 2, 1, QByteArray("\x00\x96", 2))
                                  + GpmfEntry("UNIT", 'c', 3, 5, QByteArray("degdegm\0\0m/sm/s", 15))
                                  + GpmfEntry("SCAL", 'l', 4, 5, scales)
                                  + GpmfEntry("GPS5", 'l', 20, int(Fixes.size()), positions));
}

QByteArray Mp4GpsWriter::GpmfGps9Stream(const GpsFixList &Fixes, int FixKind)
{
    const QDateTime epoch(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc());
    QByteArray records;
    for (const GpsFix &fix : Fixes) {
        const qint64 ms = epoch.msecsTo(fix.Utc);
        const double values[7] = {fix.Latitude * 1e7, fix.Longitude * 1e7,
                                  (std::isnan(fix.Altitude) ? 0.0 : fix.Altitude) * 1000.0,
                                  fix.SpeedKmh / KmhPerMetrePerSecond * 1000.0,
                                  fix.SpeedKmh / KmhPerMetrePerSecond * 100.0, double(ms / 86400000),
                                  double(ms % 86400000)};
        for (double v : values)
            records += BigEndian32(quint32(qint32(std::llround(v))));
        records += QByteArray("\x00\x9a", 2) + char(0) + char(FixKind);
    }
    QByteArray scales;
    for (quint32 s : {10000000u, 10000000u, 1000u, 1000u, 100u, 1u, 1000u, 100u, 1u})
        scales += BigEndian32(s);
    return GpmfNested("STRM", GpmfEntry("STNM", 'c', 1, 4, "GPS9") + GpmfEntry("TYPE", 'c', 1, 9, "lllllllSS")
                                  + GpmfEntry("SCAL", 'l', 4, 9, scales)
                                  + GpmfEntry("GPS9", '?', 32, int(Fixes.size()), records));
}

QByteArray Mp4GpsWriter::GpmfDevice(const QByteArray &Id, const QByteArray &Name, const QByteArray &Streams)
{
    bool number = false;
    const quint32 value = Id.toUInt(&number);
    const QByteArray id = number ? GpmfEntry("DVID", 'L', 4, 1, BigEndian32(value)) : GpmfEntry("DVID", 'F', 4, 1, Id.left(4));
    return GpmfNested("DEVC", id + GpmfEntry("DVNM", 'c', 1, int(Name.size()), Name) + Streams);
}

QByteArray Mp4GpsWriter::GpmfSample(const GpsFixList &Fixes, int FixKind)
{
    return GpmfDevice("1", "Generated", GpmfAccelerometerStream() + GpmfGps5Stream(Fixes, FixKind));
}

QByteArray Mp4GpsWriter::TrackOf(const QByteArray &Description, const char *Handler, const QByteArray &Name,
                                 const QByteArray &MediaHeader, quint32 Timescale, const QList<Sample> &Samples,
                                 const QList<quint64> &Offsets, bool LargeOffsets, const QByteArray &TrackHeader)
{
    using W = Mp4GpsWriter;
    const QByteArray stsd = W::FullBox("stsd", 0, W::BigEndian32(1) + Description);
    QByteArray times = W::BigEndian32(quint32(Samples.size()));
    QByteArray sizes = W::BigEndian32(0) + W::BigEndian32(quint32(Samples.size()));
    for (const W::Sample &sample : Samples) {
        times += W::BigEndian32(1) + W::BigEndian32(sample.Duration);
        sizes += W::BigEndian32(quint32(sample.Bytes.size()));
    }
    const QByteArray stsc = W::FullBox("stsc", 0, W::BigEndian32(1) + W::BigEndian32(1) + W::BigEndian32(1) + W::BigEndian32(1));
    QByteArray chunks = W::BigEndian32(quint32(Offsets.size()));
    for (quint64 offset : Offsets)
        chunks += LargeOffsets ? W::BigEndian64(offset) : W::BigEndian32(quint32(offset));
    const QByteArray stbl = W::Box("stbl", stsd + W::FullBox("stts", 0, times) + stsc + W::FullBox("stsz", 0, sizes)
                                               + W::FullBox(LargeOffsets ? "co64" : "stco", 0, chunks));
    const QByteArray mdhd = W::FullBox("mdhd", 0, W::BigEndian32(0) + W::BigEndian32(0) + W::BigEndian32(Timescale)
                                                      + W::BigEndian32(0) + W::BigEndian32(0x55c40000));
    const QByteArray hdlr = W::FullBox("hdlr", 0, W::BigEndian32(0) + QByteArray(Handler, 4) + QByteArray(12, '\0')
                                                      + Name + '\0');
    return W::Box("trak", TrackHeader + W::Box("mdia", mdhd + hdlr + W::Box("minf", MediaHeader + stbl)));
}

QByteArray Mp4GpsWriter::Track(const char *Format, quint32 Timescale, const QList<Sample> &Samples,
                               const QList<quint64> &Offsets, bool LargeOffsets)
{
    const QByteArray description = Box(Format, QByteArray(6, '\0') + QByteArray("\x00\x01", 2));
    return TrackOf(description, "meta", "Generated MET", Box("gmhd", {}), Timescale, Samples, Offsets, LargeOffsets);
}

QByteArray Mp4GpsWriter::GoPro(const GpsFixList &Fixes, int FixesPerSample)
{
    QList<QByteArray> samples;
    for (qsizetype i = 0; i < Fixes.size(); i += FixesPerSample)
        samples.append(GpmfSample(Fixes.mid(i, FixesPerSample)));
    return GoProSamples(samples);
}

QByteArray Mp4GpsWriter::GoProSamples(const QList<QByteArray> &Bytes)
{
    QList<Sample> samples;
    for (const QByteArray &bytes : Bytes)
        samples.append({bytes, 1000});
    const QByteArray head = FileType();
    QByteArray data;
    QList<quint64> offsets;
    for (const Sample &sample : samples) {
        offsets.append(quint64(head.size() + 8 + data.size()));
        data += sample.Bytes;
    }
    return head + Box("mdat", data) + Movie(Track("gpmd", 1000, samples, offsets));
}

QByteArray Mp4GpsWriter::WithNovatekGps(const QByteArray &Video, const GpsFixList &Fixes)
{
    // The blocks follow the grown 'moov', whose size does not depend on
    // their offsets.
    QList<QByteArray> blocks;
    for (const GpsFix &fix : Fixes)
        blocks.append(NovatekBlock(fix));
    QList<QPair<quint32, quint32>> placeholders(blocks.size());
    const qsizetype grownSize = Video.size() + Box("gps ", NovatekIndex(placeholders)).size();
    QList<QPair<quint32, quint32>> index;
    qsizetype at = grownSize;
    for (const QByteArray &block : blocks) {
        index.append({quint32(at), quint32(block.size())});
        at += block.size();
    }
    QByteArray file = AppendToMovie(Video, Box("gps ", NovatekIndex(index)));
    if (file.isEmpty())
        return file;
    for (const QByteArray &block : blocks)
        file += block;
    return file;
}

QByteArray Mp4GpsWriter::WithSeventyMaiGps(const QByteArray &Video, const GpsFixList &Fixes)
{
    if (AppendToMovie(Video, {}).isEmpty())
        return {};
    return Video + SeventyMaiBox(Fixes);
}

QByteArray Mp4GpsWriter::WithBlackVueGps(const QByteArray &Video, const GpsFixList &Fixes)
{
    if (AppendToMovie(Video, {}).isEmpty())
        return {};
    return Video + Box("free", Box("gps ", NmeaLines(Fixes)));
}

QByteArray Mp4GpsWriter::WithNmeaSubtitles(const QByteArray &Video, const GpsFixList &Fixes)
{
    QList<Sample> cues;
    for (const GpsFix &fix : Fixes)
        cues.append({Cue(PlainNmea({fix})), 1000});
    // The cues follow the grown 'moov', whose size does not depend on their
    // offsets.
    const QList<quint64> placeholders(cues.size());
    const qsizetype grownSize = Video.size() + SubtitleTrack("text", cues, placeholders).size();
    QList<quint64> offsets;
    qsizetype at = grownSize + 8;
    QByteArray media;
    for (const Sample &cue : cues) {
        offsets.append(quint64(at));
        at += cue.Bytes.size();
        media += cue.Bytes;
    }
    QByteArray file = AppendToMovie(Video, SubtitleTrack("text", cues, offsets));
    if (file.isEmpty())
        return file;
    return file + Box("mdat", media);
}

QByteArray Mp4GpsWriter::PlainNmea(const GpsFixList &Fixes)
{
    QByteArray text;
    for (const QByteArray &line : NmeaLines(Fixes).split('\n')) {
        const qsizetype close = line.indexOf(']');
        if (close >= 0)
            text += line.mid(close + 1) + '\n';
    }
    return text;
}

QByteArray Mp4GpsWriter::Cue(const QByteArray &Text)
{
    return BigEndian16(quint16(Text.size())) + Text;
}

QByteArray Mp4GpsWriter::SubtitleTrack(const char *Format, const QList<Sample> &Cues, const QList<quint64> &Offsets)
{
    const bool quickTime = QByteArray(Format) == "text";
    QByteArray fields = QByteArray(6, '\0') + BigEndian16(1);
    if (quickTime) {
        // Display flags, justification, background colour, text box,
        // reserved, font number and face, foreground colour, font name.
        fields += BigEndian32(0) + BigEndian32(0) + QByteArray(6, '\0') + QByteArray(8, '\0') + QByteArray(8, '\0')
            + BigEndian16(0) + BigEndian16(0) + QByteArray(3, '\0') + QByteArray(6, '\0') + '\0';
    } else {
        // Display flags, justification, background colour, text box, style
        // record, then the font table.
        fields += BigEndian32(0) + QByteArray(2, '\0') + QByteArray(4, '\0') + QByteArray(8, '\0')
            + QByteArray(12, '\0') + Box("ftab", BigEndian16(1) + BigEndian16(1) + char(4) + "Sans");
    }
    const QByteArray header = quickTime ? Box("gmhd", {}) : FullBox("nmhd", 0, {});
    return TrackOf(Box(Format, fields), quickTime ? "text" : "sbtl", "Generated subtitles", header, 1000, Cues, Offsets,
                   false);
}

QByteArray Mp4GpsWriter::Subtitles(const char *Format, const QList<Sample> &Cues)
{
    const QByteArray head = FileType();
    QByteArray data;
    QList<quint64> offsets;
    for (const Sample &cue : Cues) {
        offsets.append(quint64(head.size() + 8 + data.size()));
        data += cue.Bytes;
    }
    return head + Box("mdat", data) + Movie(SubtitleTrack(Format, Cues, offsets));
}

QByteArray Mp4GpsWriter::NmeaSubtitles(const GpsFixList &Fixes, const char *Format)
{
    QList<Sample> cues;
    for (const GpsFix &fix : Fixes)
        cues.append({Cue(PlainNmea({fix})), 1000});
    return Subtitles(Format, cues);
}

QByteArray Mp4GpsWriter::DateTimeLine(const GpsFix &Fix, int OffsetSeconds, const QByteArray &Suffix)
{
    return Fix.Utc.addSecs(OffsetSeconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1() + Suffix + ' '
        + QByteArray::number(Fix.Latitude, 'f', 6) + ' ' + QByteArray::number(Fix.Longitude, 'f', 6) + ' '
        + QByteArray::number(Fix.SpeedKmh, 'f', 1);
}

QByteArray Mp4GpsWriter::LineSubtitles(const GpsFixList &Fixes, const char *Format)
{
    QList<Sample> cues;
    for (const GpsFix &fix : Fixes)
        cues.append({Cue(DateTimeLine(fix, 0, " UTC")), 1000});
    return Subtitles(Format, cues);
}

QByteArray Mp4GpsWriter::NextbaseRecord(const GpsFix &Fix, qint32 AccelerationX, qint32 AccelerationY,
                                        qint32 AccelerationZ)
{
    // The sentences with a checksum that does not match their text.
    QByteArray rmc;
    QByteArray gga;
    for (const QByteArray &line : PlainNmea({Fix}).split('\n')) {
        QByteArray broken = line.trimmed();
        const qsizetype mark = broken.lastIndexOf('*');
        if (mark < 0)
            continue;
        const quint8 sum = quint8(broken.mid(mark + 1).toUInt(nullptr, 16)) ^ 0x5a;
        broken = broken.left(mark + 1) + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0');
        (broken.contains("RMC") ? rmc : gga) = broken;
    }
    QByteArray record = BigEndian16(0x120) + QByteArray("\x00\x00\x01\x00", 4)
        + Fix.Utc.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + LittleEndian32(quint32(AccelerationY))
        + LittleEndian32(quint32(AccelerationX)) + LittleEndian32(quint32(AccelerationZ));
    record += rmc + QByteArray(128 - rmc.size(), '\0');
    record += gga + QByteArray(128 - gga.size(), '\0');
    return record;
}

QByteArray Mp4GpsWriter::Nextbase(const GpsFixList &Fixes, const char *Format)
{
    QList<Sample> cues;
    for (const GpsFix &fix : Fixes)
        cues.append({NextbaseRecord(fix), 1000});
    return Subtitles(Format, cues);
}

QByteArray Mp4GpsWriter::WithTrackAfter(const QByteArray &File, const QList<Sample> &Samples,
                                        const std::function<QByteArray(const QList<quint64> &Offsets)> &MakeTrack)
{
    // The track's size does not depend on its offsets' values.
    const QList<quint64> placeholders(Samples.size());
    qsizetype at = File.size() + MakeTrack(placeholders).size() + 8;
    QList<quint64> offsets;
    QByteArray media;
    for (const Sample &sample : Samples) {
        offsets.append(quint64(at));
        at += sample.Bytes.size();
        media += sample.Bytes;
    }
    const QByteArray grown = AppendToMovie(File, MakeTrack(offsets));
    return grown.isEmpty() ? grown : grown + Box("mdat", media);
}

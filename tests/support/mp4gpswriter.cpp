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

// Video with Child added at the end of its final 'moov' box; empty when the
// file does not end with one.
QByteArray AppendToMovie(const QByteArray &Video, const QByteArray &Child)
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

} // namespace

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
    QByteArray report = QByteArray("freeGPS ") + QByteArray(Options.LeadingBytes, '\0');
    const QDate date = Fix.Utc.date();
    const QTime time = Fix.Utc.time();
    const int year = Options.FullYear ? date.year() : date.year() - 2000;
    for (int field : {time.hour(), time.minute(), time.second(), year, date.month(), date.day()})
        report += LittleEndian32(quint32(field));
    report += Fix.Valid ? 'A' : 'V';
    report += Fix.Latitude < 0 ? 'S' : 'N';
    report += Fix.Longitude < 0 ? 'W' : 'E';
    report += '\0';
    const double latitude = Fix.Valid ? DegreesMinutes(Fix.Latitude, 10000) / 10000.0 : 0.0;
    const double longitude = Fix.Valid ? DegreesMinutes(Fix.Longitude, 10000) / 10000.0 : 0.0;
    report += LittleEndianFloat(float(latitude));
    report += LittleEndianFloat(float(longitude));
    report += LittleEndianFloat(float(Fix.SpeedKmh / KmhPerKnot));
    report += LittleEndianFloat(float(std::isnan(Fix.Course) ? 0.0 : Fix.Course));
    const int size = std::max(Options.BlockSize, int(report.size()) + 4);
    return BigEndian32(quint32(size)) + report + QByteArray(size - 4 - report.size(), '\0');
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

QByteArray Mp4GpsWriter::GpmfSample(const GpsFixList &Fixes, int FixKind)
{
    QByteArray acceleration;
    for (int i = 0; i < GpmfAccelerationSamples * 3; ++i)
        acceleration += QByteArray("\x01\xa1", 2);
    const QByteArray accelerometer = GpmfEntry("STNM", 'c', 1, 13, "Accelerometer")
        + GpmfEntry("SCAL", 's', 2, 1, QByteArray("\x01\xa1", 2))
        + GpmfEntry("ACCL", 's', 6, GpmfAccelerationSamples, acceleration);

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
    const QByteArray gps = GpmfEntry("STNM", 'c', 1, 3, "GPS")
        + GpmfEntry("GPSF", 'L', 4, 1, BigEndian32(quint32(FixKind)))
        + GpmfEntry("GPSU", 'U', 16, 1, utc) + GpmfEntry("GPSP", 'S', 2, 1, QByteArray("\x00\x96", 2))
        + GpmfEntry("UNIT", 'c', 3, 5, QByteArray("degdegm\0\0m/sm/s", 15)) + GpmfEntry("SCAL", 'l', 4, 5, scales)
        + GpmfEntry("GPS5", 'l', 20, int(Fixes.size()), positions);
    return GpmfNested("DEVC", GpmfEntry("DVID", 'L', 4, 1, BigEndian32(1)) + GpmfEntry("DVNM", 'c', 1, 9, "Generated")
                                  + GpmfNested("STRM", accelerometer) + GpmfNested("STRM", gps));
}

QByteArray Mp4GpsWriter::Track(const char *Format, quint32 Timescale, const QList<Sample> &Samples,
                               const QList<quint64> &Offsets, bool LargeOffsets)
{
    const QByteArray description = Box(Format, QByteArray(6, '\0') + QByteArray("\x00\x01", 2));
    const QByteArray stsd = FullBox("stsd", 0, BigEndian32(1) + description);
    QByteArray times = BigEndian32(quint32(Samples.size()));
    QByteArray sizes = BigEndian32(0) + BigEndian32(quint32(Samples.size()));
    for (const Sample &sample : Samples) {
        times += BigEndian32(1) + BigEndian32(sample.Duration);
        sizes += BigEndian32(quint32(sample.Bytes.size()));
    }
    const QByteArray stsc = FullBox("stsc", 0, BigEndian32(1) + BigEndian32(1) + BigEndian32(1) + BigEndian32(1));
    QByteArray chunks = BigEndian32(quint32(Offsets.size()));
    for (quint64 offset : Offsets)
        chunks += LargeOffsets ? BigEndian64(offset) : BigEndian32(quint32(offset));
    const QByteArray stbl = Box("stbl", stsd + FullBox("stts", 0, times) + stsc + FullBox("stsz", 0, sizes)
                                            + FullBox(LargeOffsets ? "co64" : "stco", 0, chunks));
    const QByteArray mdhd = FullBox("mdhd", 0, BigEndian32(0) + BigEndian32(0) + BigEndian32(Timescale)
                                                 + BigEndian32(0) + BigEndian32(0x55c40000));
    const QByteArray hdlr
        = FullBox("hdlr", 0, BigEndian32(0) + "meta" + QByteArray(12, '\0') + QByteArray("Generated MET\0", 14));
    return Box("trak", Box("mdia", mdhd + hdlr + Box("minf", Box("gmhd", {}) + stbl)));
}

QByteArray Mp4GpsWriter::GoPro(const GpsFixList &Fixes, int FixesPerSample)
{
    QList<Sample> samples;
    for (qsizetype i = 0; i < Fixes.size(); i += FixesPerSample)
        samples.append({GpmfSample(Fixes.mid(i, FixesPerSample)), 1000});
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

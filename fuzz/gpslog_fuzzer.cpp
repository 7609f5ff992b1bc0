// Fuzz target for the GPS log reader: the eight line operations on the input
// taken as one line, and the whole input loaded as a log, which must give
// the same track as reading its lines with QTextStream and calling the
// eight operations on each. Any difference, any non-finite speed and any
// coordinate text that is not a plain decimal stops the run; so does a fix
// whose numbers disagree with its record (validity, speed, a position
// where the text has none, a sign other than the text and its hemisphere
// give, a UTC time other than the date and time texts), and a cleared
// track that keeps memory.

#include "fuzztarget.h"
#include "gpslog/gpslogdata.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

void DropMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

[[noreturn]] void Finding(const char *what)
{
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

bool PlainDecimal(const QString &text, qsizetype minimumLength)
{
    if (text.isEmpty())
        return true;
    if (text.size() < minimumLength)
        return false;
    qsizetype k = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    qsizetype digitsBefore = 0;
    for (; k < text.size() && text[k].isDigit() && text[k].unicode() < 128; ++k)
        ++digitsBefore;
    if (digitsBefore == 0 || k == text.size() || text[k] != QLatin1Char('.'))
        return false;
    for (++k; k < text.size(); ++k) {
        if (!(text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9')))
            return false;
    }
    return text.back() != QLatin1Char('.');
}

GpsRecord FromSlots(GpsLogData &reader, const QString &line)
{
    return {reader.GetDataAvailable(line), reader.GetDate(line), reader.GetTime(line), reader.GetLongitude(line),
            reader.GetEastOrWest(line), reader.GetLatitude(line), reader.GetSouthOrNorth(line),
            reader.GetVelocity(line)};
}

void CheckRecord(const GpsRecord &r)
{
    if (!std::isfinite(r.Velocity) || (r.Velocity == 0.0 && std::signbit(r.Velocity)))
        Finding("speed not a finite number, or negative zero");
    if (!PlainDecimal(r.Latitude, 8))
        Finding("latitude not a plain decimal");
    if (!PlainDecimal(r.Longitude, 9))
        Finding("longitude not a plain decimal");
}

// The numbers behind a record say what its texts say.
void CheckFix(const GpsFix &fix, const GpsRecord &r)
{
    if (fix.Valid != r.DataAvailable)
        Finding("fix and record differ in validity");
    if (std::memcmp(&fix.SpeedKmh, &r.Velocity, sizeof(double)) != 0)
        Finding("fix and record differ in speed");
    const struct
    {
        double Degrees;
        const QString &Text;
        const QString &Hemisphere;
        const char *Negative;
    } coordinates[] = {{fix.Latitude, r.Latitude, r.SouthOrNorth, "S"},
                       {fix.Longitude, r.Longitude, r.EastOrWest, "W"}};
    for (const auto &c : coordinates) {
        if (std::isinf(c.Degrees))
            Finding("infinite coordinate");
        if (std::isnan(c.Degrees) != c.Text.isEmpty())
            Finding("a coordinate in numbers but not in the text, or the other way round");
        if (std::isnan(c.Degrees))
            continue;
        const bool negativeText = c.Text.startsWith(QLatin1Char('-'));
        if ((std::signbit(c.Degrees) != (c.Hemisphere == QLatin1String(c.Negative))) != negativeText)
            Finding("coordinate sign differs from its text and hemisphere");
        const double written = std::fabs(c.Text.toDouble());
        if (std::fabs(std::fabs(c.Degrees) - written) > 1e-6 * std::max(1.0, written))
            Finding("coordinate differs from its text");
    }
    if (fix.Utc.isValid()
        && (fix.Utc.toString(QStringLiteral("ddMMyy")) != r.Date || fix.Utc.toString(QStringLiteral("hhmmss")) != r.Time))
        Finding("UTC time differs from the date and time texts");
}

bool Same(const GpsRecord &a, const GpsRecord &b)
{
    return a.DataAvailable == b.DataAvailable && a.Date == b.Date && a.Time == b.Time && a.Longitude == b.Longitude
        && a.EastOrWest == b.EastOrWest && a.Latitude == b.Latitude && a.SouthOrNorth == b.SouthOrNorth
        && a.Velocity == b.Velocity;
}

QString LogPath()
{
    static const QString path = [] {
        qInstallMessageHandler(DropMessages);
        QByteArray name = QDir::tempPath().toLocal8Bit() + "/gpslog_fuzzer_XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0)
            Finding("no temporary file");
        close(fd);
        return QString::fromLocal8Bit(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = LogPath();
    GpsLogData reader;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckRecord(FromSlots(reader, QString::fromUtf8(bytes)));

    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            Finding("cannot write the log");
        file.write(bytes);
    }
    reader.ReadGpsfile(path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Finding("cannot read the log");
    QTextStream in(&file);
    QString line;
    int index = 0;
    while (in.readLineInto(&line)) {
        const GpsRecord expected = FromSlots(reader, line);
        CheckRecord(expected);
        if (index >= reader.GetGpsDataCount() || !Same(reader.GetGpsDataAt(index), expected))
            Finding("track differs from the line operations");
        CheckFix(reader.GetFixAt(index), expected);
        ++index;
    }
    if (index != reader.GetGpsDataCount() || reader.GetTrack().Size() != index)
        Finding("track has a different number of records");
    const GpsRecord first = reader.GetFirstAvailableGpsData();
    if (reader.GetGpsDataCount() > 0 && !Same(reader.GetGpsDataAt(-1), reader.GetGpsDataAt(0)))
        Finding("negative second");
    CheckRecord(first);
    reader.ClearGpsData();
    if (reader.GetTrack().Fixes().capacity() != 0 || reader.GetGpsDataCount() != 0)
        Finding("a cleared track keeps its memory");
    return 0;
}

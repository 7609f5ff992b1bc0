// Imports 1,000 MP4 recordings that keep their GPS inside (60 fixes each;
// half in the 70mai layout behind a large, sparse 'mdat', half in the
// Novatek layout) and compares the time with merely opening each file and
// reading the bytes the GPS lies in: the top-level box headers, the 'moov'
// box, and the 'GPS ' box or the blocks the Novatek index lists.
// Target: at most 3 times that bare reading.

#include "benchsupport.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "mp4gpswriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>

namespace {

constexpr int Recordings = 1000;
constexpr int Fixes = 60;
constexpr int Runs = 7;
constexpr double TargetRatio = 3.0;
// The picture data a minute of driving would hold, left as a hole on disk.
constexpr qint64 SparseMediaBytes = 64LL * 1024 * 1024;
constexpr qint64 NovatekBlockPeek = 1024;

QByteArray BoxHeader64(const char *Type, qint64 Size)
{
    return Mp4GpsWriter::BigEndian32(1) + QByteArray(Type, 4) + Mp4GpsWriter::BigEndian64(quint64(Size));
}

void WriteSeventyMai(const QString &Path, const GpsFixList &Drive)
{
    QFile file(Path);
    file.open(QIODevice::WriteOnly);
    file.write(Mp4GpsWriter::FileType());
    file.write(BoxHeader64("mdat", 16 + SparseMediaBytes));
    file.seek(file.pos() + SparseMediaBytes);
    file.write(Mp4GpsWriter::Movie() + Mp4GpsWriter::SeventyMaiBox(Drive));
}

void WriteNovatek(const QString &Path, const GpsFixList &Drive)
{
    QFile file(Path);
    file.open(QIODevice::WriteOnly);
    file.write(Mp4GpsWriter::Novatek(Drive));
}

// Reads what a reader of the GPS must read at least, by plain seeks and reads.
qint64 ReadGpsBytes(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const qint64 size = file.size();
    qint64 read = 0;
    qint64 at = 0;
    while (at + 8 <= size) {
        file.seek(at);
        const QByteArray header = file.read(16);
        read += header.size();
        qint64 boxSize = qFromBigEndian<quint32>(header.constData());
        qint64 headerSize = 8;
        if (boxSize == 1 && header.size() == 16) {
            boxSize = qint64(qFromBigEndian<quint64>(header.constData() + 8));
            headerSize = 16;
        }
        if (boxSize < headerSize || at + boxSize > size)
            break;
        const QByteArray type = header.mid(4, 4);
        if (type == "GPS " || type == "moov") {
            file.seek(at + headerSize);
            const QByteArray payload = file.read(boxSize - headerSize);
            read += payload.size();
            const qsizetype index = type == "moov" ? payload.indexOf("gps ") : -1;
            if (index >= 0) {
                const char *fields = payload.constData() + index + 4;
                const quint32 count = qFromBigEndian<quint32>(fields + 4);
                for (quint32 i = 0; i < count && index + 12 + 8 * (i + 1) <= payload.size(); ++i) {
                    file.seek(qFromBigEndian<quint32>(fields + 8 + 8 * i));
                    read += file.read(std::min<qint64>(qFromBigEndian<quint32>(fields + 12 + 8 * i), NovatekBlockPeek)).size();
                }
            }
        }
        at += boxSize;
    }
    return read;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(benchsupport::DropDebug);
    QTemporaryDir dir;
    const QString clips = dir.filePath(QStringLiteral("DCIM/100MEDIA"));
    QDir().mkpath(clips);
    QStringList videos;
    for (int n = 0; n < Recordings; ++n) {
        const GpsFixList drive = Mp4GpsWriter::Drive(Fixes, 52.0 + n * 0.001, 20.0);
        const QString path = clips + QStringLiteral("/NO20191130-12%1-%2.MP4").arg(n % 60, 4, 10, QLatin1Char('0')).arg(n, 6, 10, QLatin1Char('0'));
        if (n % 2 == 0)
            WriteSeventyMai(path, drive);
        else
            WriteNovatek(path, drive);
        videos << path;
    }

    int available = 0;
    const auto import = [&] {
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles(videos);
        available = 0;
        for (int i = 0; i < catalogue.GetVideoCount(); ++i)
            available += catalogue.GetGpsfileStatus(i) == GpsfileAvailableWord;
    };
    qint64 bytes = 0;
    const auto openAndRead = [&] {
        bytes = 0;
        for (const QString &video : std::as_const(videos))
            bytes += ReadGpsBytes(video);
    };

    openAndRead(); // warm the page cache
    const double baselineMs = benchsupport::MedianMs(Runs, openAndRead);
    const double importMs = benchsupport::MedianMs(Runs, import);
    std::printf("bench_mp4import: import of %d MP4 recordings with GPS inside (%d fixes each, %d rated Available):"
                " %.1f ms; opening them and reading the %lld bytes the GPS lies in: %.1f ms; ratio %.2fx"
                " (target <= %.0fx)\n",
                Recordings, Fixes, available, importMs, static_cast<long long>(bytes), baselineMs,
                importMs / baselineMs, TargetRatio);
    return available == Recordings ? 0 : 1;
}

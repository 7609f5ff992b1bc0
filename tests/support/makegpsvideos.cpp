// Writes playable videos with GPS inside, one per recorder layout, from a
// video that ends with its 'moov' box (as ffmpeg writes them):
//   makegpsvideos VIDEO SECONDS OUTPUT_DIR
// gives OUTPUT_DIR/gps-novatek.MP4, gps-70mai.MP4 and gps-blackvue.MP4, each
// with one fix a second of a drive in Warsaw, for SECONDS seconds.

#include "mp4gpswriter.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool Save(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    if (Bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(Bytes) != Bytes.size()) {
        std::fprintf(stderr, "makegpsvideos: cannot write %s\n", qPrintable(Path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool counted = false;
    const int seconds = argc == 4 ? QByteArray(argv[2]).toInt(&counted) : 0;
    if (!counted || seconds <= 0) {
        std::fprintf(stderr, "usage: makegpsvideos VIDEO SECONDS OUTPUT_DIR\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makegpsvideos: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray video = input.readAll();
    const QDir out(QString::fromLocal8Bit(argv[3]));
    const GpsFixList drive = Mp4GpsWriter::Drive(seconds);
    const bool written = Save(out.filePath("gps-novatek.MP4"), Mp4GpsWriter::WithNovatekGps(video, drive))
        && Save(out.filePath("gps-70mai.MP4"), Mp4GpsWriter::WithSeventyMaiGps(video, drive))
        && Save(out.filePath("gps-blackvue.MP4"), Mp4GpsWriter::WithBlackVueGps(video, drive));
    return written ? 0 : 1;
}

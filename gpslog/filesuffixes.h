#ifndef FILESUFFIXES_H
#define FILESUFFIXES_H

#include <QFileInfo>
#include <QLatin1String>
#include <QString>

#include <algorithm>
#include <iterator>

// The files the player takes and the side files it looks for beside them,
// by file name suffix (without its dot), in one place: the import, the
// folder search, the GPS source chooser and the readers all go by these.

// The kinds of video the player takes, in lower case; suffixes compare
// without regard to case (CLIP0001.MOV and clip0001.mov).
inline constexpr QLatin1String VideoSuffixes[] = {
    QLatin1String("mov"), QLatin1String("mp4"), QLatin1String("ts"), QLatin1String("avi"), QLatin1String("mkv"),
};

// MP4/QuickTime files, which may hold GPS inside.
inline constexpr QLatin1String QuickTimeSuffixes[] = {QLatin1String("mp4"), QLatin1String("mov"),
                                                      QLatin1String("m4v")};

// Side files with the video's base name, each list in the order the chooser
// looks for them, spelled as receivers and cameras write them (on a file
// system that tells case apart only these spellings are found). A reader
// takes a file of its kind in any case.
inline constexpr QLatin1String NmeaSideSuffixes[] = {QLatin1String("NMEA"), QLatin1String("nmea"),
                                                     QLatin1String("gps"), QLatin1String("GPS")};
inline constexpr QLatin1String GpxSideSuffixes[] = {QLatin1String("gpx"), QLatin1String("GPX")};
inline constexpr QLatin1String SrtSideSuffixes[] = {QLatin1String("SRT"), QLatin1String("srt")};

// Whether the suffix of the file at Path (after its last dot) is one of
// Suffixes, in any case.
template <std::size_t Count>
bool HasSuffixOf(const QString &Path, const QLatin1String (&Suffixes)[Count])
{
    const QString suffix = QFileInfo(Path).suffix();
    return std::any_of(std::begin(Suffixes), std::end(Suffixes),
                       [&suffix](QLatin1String Known) { return suffix.compare(Known, Qt::CaseInsensitive) == 0; });
}

#endif // FILESUFFIXES_H

#ifndef GPSREADER_H
#define GPSREADER_H

#include <QByteArrayView>
#include <QString>

class GpsTrack;
class QFile;

// Reads the GPS data of one file format (a side file beside a video, or a
// video that holds GPS) into fixes: one <Format>FileReader per format, built
// on the <Format>Reader that turns the format's bytes into fixes. ForFile
// picks the reader for a file of unknown kind (a file handed to the export);
// a recording's chosen source is read with the reader of its kind
// (GpsSourceChooser).
class GpsReader
{
public:
    // How the fixes of a source line up with the video.
    enum class Timing {
        OneFixPerSecond, // fix N stands for second N of the video (a recorder's log)
        VideoOffset, // each fix carries its OffsetMs
        UtcOnly, // only UTC times: lined up through the video's start time
    };

    virtual ~GpsReader() = default;

    virtual Timing FixTiming() const = 0;
    // Whether this reader takes the file, judged from its path and its
    // first bytes (as many as the file has, up to HeadBytes).
    virtual bool Accepts(const QString &Path, QByteArrayView Head) const = 0;
    // Appends the file's fixes to Track; false when the file could not be
    // read (nothing is appended then).
    virtual bool Read(const QString &Path, GpsTrack &Track) const = 0;

    // The reader for the file at Path; null when it is no regular file,
    // cannot be opened or no reader takes it.
    static const GpsReader *ForFile(const QString &Path);

    static constexpr qint64 HeadBytes = 4096;

protected:
    // Opens File read-only when it is a regular file: a directory gives
    // nothing, and a FIFO or a device would block or never end.
    static bool OpenRegularFile(QFile &File);
};

#endif // GPSREADER_H

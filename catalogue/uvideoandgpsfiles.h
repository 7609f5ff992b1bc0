#ifndef UVIDEOANDGPSFILES_H
#define UVIDEOANDGPSFILES_H

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "catalogue/ucamerafile.h"
#include "gpslog/gpssource.h"

// The words GetGpsfileStatus() hands out for a recording's GPS log.
inline constexpr QLatin1String GpsfileAvailableWord("Available");
inline constexpr QLatin1String GpsfileUnavailableWord("Unavailable");
inline constexpr QLatin1String GpsfileNotExistWord("Not Exist");

// One imported recording: the video and where its GPS log is expected.
// Without a log, GpsfilePath names whatever source was found instead
// (GpsSourceChooser); with none at all it stays the place where the log
// would be.
struct VideoAndGpsfile
{
    QString VideoPath;
    QString VideoName;
    QString VideoCreateDate;
    QString VideoCreateTime;
    QString GpsfilePath;
    int GpsfileStatus = 0;
    GpsSourceKind GpsSource = GpsSourceKind::None;
    // What the GPS File cell's tooltip says of the source.
    QString GpsSourceText;
    // Every camera's file of the recording, the front (VideoPath) first;
    // empty for a recording of one camera.
    UCameraFiles Cameras;
};

// The ordered list of imported recordings. An entry's index is the
// recording's identity everywhere: list tables and play list use it too.
class UVideoAndGpsfiles : public QObject
{
    Q_OBJECT
public:
    explicit UVideoAndGpsfiles(QObject *parent = nullptr);

    int GetVideoCount() const;
    QString GetVideoName(int Index) const;
    QString GetVideoDate(int Index) const;
    QString GetVideoTime(int Index) const;
    QString GetGpsfilePath(int Index) const;
    QString GetGpsfileStatus(int Index) const;
    QString GetVideoPath(int Index) const;
    GpsSourceKind GetGpsSourceKind(int Index) const;
    // The recording's GPS source as chosen on import (kind, file, video),
    // for reading it when it plays or is exported; none for an index out of
    // range.
    GpsSource GetGpsSource(int Index) const;
    // The source and its fixes in words ("GPS inside the video: 61 fixes in
    // 61 s", "GPS log gps0001.log"); empty without a source.
    QString GetGpsSourceText(int Index) const;
    // Every camera's file of the recording, the front (its VideoPath) first;
    // one for a recording of one camera, none for an index out of range.
    UCameraFiles GetCameras(int Index) const;

    // An entry for the video at VideoPath with its GPS source chosen
    // (GpsSourceChooser) and rated, as AddVideoAndGpsfiles makes them; its
    // VideoName is empty when there is no such file. Reads files only, so it
    // may run on any thread.
    static VideoAndGpsfile RateVideo(const QString &VideoPath);
    // Appends entries made by RateVideo (those with a name), each announced
    // by VideoAdded in turn.
    void AppendRated(const QList<VideoAndGpsfile> &Entries);

signals:
    void VideoAdded(QString VideoPath);
    void VideoDeleted(int Index);

public slots:
    void AddVideoAndGpsfiles(QStringList VideoPaths);
    void DeleteVideoAndGpsfile(int Index);

private:
    QList<VideoAndGpsfile> VideoAndGpsfileList;
};

#endif // UVIDEOANDGPSFILES_H

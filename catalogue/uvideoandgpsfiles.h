#ifndef UVIDEOANDGPSFILES_H
#define UVIDEOANDGPSFILES_H

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "catalogue/ucamerafile.h"
#include "catalogue/ucameragroups.h"
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
    // The file's creation time (its modification time where the file system
    // keeps none), which VideoCreateDate and VideoCreateTime show.
    QDateTime VideoCreated;
    QString GpsfilePath;
    int GpsfileStatus = 0;
    GpsSourceKind GpsSource = GpsSourceKind::None;
    // What the GPS File cell's tooltip says of the source.
    QString GpsSourceText;
    // Every camera's file of the recording, the front (VideoPath) first;
    // empty for a file no naming rule knows (its one camera is the front).
    UCameraFiles Cameras;
};

// A camera file of a listed recording that a later import brings: the join
// (which recording, which camera) and the file rated on its own, which is
// listed as a recording of its own if its recording has left the list.
struct UCameraJoinRated
{
    UCameraJoin Join;
    VideoAndGpsfile Rated;
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
    // The instant the list's date and time show; invalid out of range.
    QDateTime GetVideoDateTime(int Index) const;
    QString GetGpsfilePath(int Index) const;
    QString GetGpsfileStatus(int Index) const;
    // The word of an entry's rating ("Available", "Unavailable", "Not Exist").
    static QString StatusWord(const VideoAndGpsfile &Entry);
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
    // The entry of a recording of several cameras (Cameras as UCameraGroups
    // makes them, the front first): the front camera's file names it and
    // gives its date and time; its GPS is the first camera's, front first,
    // whose source RateVideo finds. One camera gives RateVideo's entry.
    // Reads files only, so it may run on any thread.
    static VideoAndGpsfile RateRecording(const UCameraFiles &Cameras);
    // The entries Cameras makes once the files gone since they were found
    // are left out (their paths added to Gone): one, or, when the front
    // camera's file has gone, one for each camera left.
    static QList<VideoAndGpsfile> RateCameras(const UCameraFiles &Cameras, QStringList *Gone = nullptr);
    // Appends entries made by RateVideo or RateRecording (those with a
    // name), each announced by VideoAdded in turn.
    void AppendRated(const QList<VideoAndGpsfile> &Entries);
    // Adds a camera's file to the listed recording it belongs to: the one at
    // the join's index if its front file is still the same, else the first
    // with that front file lacking that camera. The recording keeps its
    // front file, so the play list and the rows stay as they are; it takes
    // the file's GPS only when it had none. Answers the recording's index,
    // announced by CamerasChanged, or -1 when it is no longer listed.
    int JoinCamera(const UCameraJoinRated &Join);
    // Every file of every listed recording, each camera's.
    QStringList ListedFiles() const;
    // Every listed recording's cameras, by index.
    QList<UCameraFiles> ListedCameras() const;

signals:
    void VideoAdded(QString VideoPath);
    void VideoDeleted(int Index);
    // A camera's file joined the recording at Index.
    void CamerasChanged(int Index);

public slots:
    // The import button's import: the files of one moment from different
    // cameras become one recording (UCameraGroups), and a camera's file of
    // a listed recording joins it.
    void AddVideoAndGpsfiles(QStringList VideoPaths);
    void DeleteVideoAndGpsfile(int Index);

private:
    QList<VideoAndGpsfile> VideoAndGpsfileList;
};

#endif // UVIDEOANDGPSFILES_H

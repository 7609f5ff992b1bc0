#ifndef USNAPSHOTNAME_H
#define USNAPSHOTNAME_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Where a snapshot goes: named after the recording and the play time
// (CLIP0007_00-03-07.png; with several cameras one file each,
// CLIP0007_00-03-07_rear.png), with -2, -3 ... after the time when that
// name is taken, so that no earlier snapshot is ever overwritten.
class USnapshotName
{
public:
    static constexpr const char *FolderName = "Vialumo";

    // CLIP0007_00-03-07: the video's name without its suffix, the play time.
    static QString BaseName(const QString &VideoPath, qint64 TimeMs);

    // The first free file path in Folder for BaseName; Exists says whether a
    // path is taken. Empty when every number up to a limit is taken.
    static QString FreePath(const QString &Folder, const QString &BaseName,
                            const std::function<bool(const QString &)> &Exists);

    // One free path per camera of a recording of several, sharing one
    // number so that the pictures of one moment stay together:
    // CLIP0007_00-03-07_front.png, CLIP0007_00-03-07_rear.png, then
    // CLIP0007_00-03-07-2_front.png ... Cameras are the roles' names
    // (CameraRoleName); a name given twice gets -2, -3 after its second and
    // later uses. Empty when every number up to a limit is taken.
    static QStringList FreePaths(const QString &Folder, const QString &BaseName, const QStringList &Cameras,
                                 const std::function<bool(const QString &)> &Exists);
};

#endif // USNAPSHOTNAME_H

#ifndef USNAPSHOTNAME_H
#define USNAPSHOTNAME_H

#include <QString>
#include <QtGlobal>

#include <functional>

// Where a snapshot goes: named after the recording and the play time
// (CLIP0007_00-03-07.png), with -2, -3 ... before the suffix when that name
// is taken, so that no earlier snapshot is ever overwritten.
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
};

#endif // USNAPSHOTNAME_H

#ifndef UOFFLINEMAPLIST_H
#define UOFFLINEMAPLIST_H

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class UOfflineMap;

// The user's offline maps: the files remembered between runs, and those of
// them that could be opened. What the window shows about each change is the
// one note returned.
class UOfflineMapList
{
public:
    // Opens the remembered files. A file that has gone is forgotten; one
    // that cannot be read now stays remembered (it may be back next time).
    QString Restore(const QStringList &Remembered);
    // Opens and remembers one more file; the note says what came of it, and
    // Opened whether the file is now one of the maps. A file already in the
    // list is opened anew (it may have been replaced).
    QString Add(const QString &Path, bool *Opened = nullptr);
    // Forgets one file.
    QString Remove(const QString &Path);

    // The files to remember, in the order they were added.
    QStringList Paths() const { return Remembered; }
    // The maps that opened, in the same order: the first covering a tile answers it.
    QList<std::shared_ptr<UOfflineMap>> Maps() const;

private:
    struct OpenMap
    {
        QString Path;
        std::shared_ptr<UOfflineMap> Map;
    };
    QStringList Remembered;
    QList<OpenMap> Open;
};

#endif // UOFFLINEMAPLIST_H

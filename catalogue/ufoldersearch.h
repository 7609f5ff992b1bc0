#ifndef UFOLDERSEARCH_H
#define UFOLDERSEARCH_H

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>

// Why an entry of a search or an import was skipped.
enum class USkipReason {
    Unreadable, // a folder or file that cannot be read, not there, or a dangling link
    LinkLoop,   // a folder reached again through a link, or links that point at each other
    Vanished,   // listed, then gone before it was read
    NotAVideo,  // a file named directly whose kind the player does not play
};

struct USkipped
{
    QString Path;
    USkipReason Reason = USkipReason::Unreadable;
};

struct UFolderSearchResult
{
    QStringList Videos;
    QList<USkipped> Skipped;
};

// Finds the videos in files and folders the user hands over. Folders are
// searched through all their subfolders; within a folder, entries go in
// name order with numbers compared as numbers (CLIP2 before CLIP10), a
// subfolder in its place among the files. Hidden entries (a leading dot) are
// passed over: cards written on some systems carry "._CLIP0001.MOV" shadows
// that are no videos.
class UFolderSearch
{
public:
    static bool IsVideoName(const QString &FileName);

    // Paths in the order given, each folder searched where it stands. Stops
    // early (with what it has) once Cancel is set.
    static UFolderSearchResult Search(const QStringList &Paths, const std::atomic<bool> *Cancel = nullptr);

    // Natural name order: numbers as numbers, then case, then code points, so
    // the order is total.
    static bool NameLess(const QString &A, const QString &B);

    // Drops the paths whose file is already in Known or earlier in Paths (by
    // canonical path; a path that has none compares as written) and adds the
    // kept ones to Known. Answers how many were dropped.
    static qsizetype DropKnown(QStringList &Paths, QSet<QString> &Known);
    static QString IdentityOf(const QString &Path);
};

#endif // UFOLDERSEARCH_H

#ifndef UCAMERAGROUPS_H
#define UCAMERAGROUPS_H

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "catalogue/ucamerafile.h"

// When a camera's file starts and how long it runs, as far as the file
// itself tells: the movie header's creation time, else the date and time in
// its name; the movie header's duration. A file's modification time is not
// taken: a copy of the card has the copy's.
struct URecordedSpan
{
    QDateTime Start; // invalid when unknown
    qint64 DurationMs = -1;
};

// A camera file of a recording already listed that a later import brings:
// it joins that recording.
struct UCameraJoin
{
    // The recording's index when the import began, and its front camera's
    // file, by which it is found again if the list has changed since.
    int Index = -1;
    QString FrontPath;
    UCameraFile Camera;
};

// How an import's files become recordings.
struct UCameraGrouping
{
    // The new recordings in the list's order: each the files of one moment,
    // the front camera's first; one file for a recording of one camera.
    QList<UCameraFiles> Recordings;
    // Files that join recordings already listed.
    QList<UCameraJoin> Joins;
    // Lower quality copies of a camera's file (Nextbase's L beside its H):
    // part of no recording and not listed apart.
    QStringList Copies;
};

// Groups the files of one moment from different cameras into one recording,
// by the naming rules of UCameraNaming. The front camera is the master: a
// moment's files form one recording only with it, and its place among the
// files is the recording's place in the list. Without the front camera each
// file is a recording of its own, unless the front's recording is listed
// already: then the file joins it, in a place that camera's file does not
// hold yet. An interior or telephoto file never takes the rear place. Files
// no rule names stay recordings of one camera each.
class UCameraGroups
{
public:
    using SpanReader = std::function<URecordedSpan(const QString &Path)>;

    // Files starting within this of the front's, lasting within this share of
    // its length, are its cameras' (for names that do not tell the moment).
    static constexpr qint64 StartToleranceMs = 2000;
    static constexpr double LengthTolerance = 0.10;

    // Paths in import order (none listed already); Listed the recordings in
    // the list now, by index. Spans are read only for files whose name does
    // not tell their moment; SpanOf defaults to RecordedSpan.
    static UCameraGrouping Group(const QStringList &Paths, const QList<UCameraFiles> &Listed = {},
                                 const SpanReader &SpanOf = {});

    // Reads the file's movie header; the name where the header is missing.
    static URecordedSpan RecordedSpan(const QString &Path);

    // Cameras in their order in a recording: the front, then the rear,
    // interior, telephoto, the sides and pillars, any other.
    static void SortByRole(UCameraFiles &Cameras);

    // The deepest folder that holds every camera's file.
    static QString SharedFolder(const UCameraFiles &Cameras);
};

#endif // UCAMERAGROUPS_H

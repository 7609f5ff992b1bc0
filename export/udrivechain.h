#ifndef UDRIVECHAIN_H
#define UDRIVECHAIN_H

#include <QDateTime>
#include <QString>
#include <QStringList>

// The recordings that continue a drive: a recorder cuts a drive into clips
// of a minute or so, each starting where the one before ended. They lie in
// the same folder, come from the same camera, and each starts within MaxGapMs
// of the previous one's end, by its movie header or, without one, by the
// date and time in its name.
class UDriveChain
{
public:
    static constexpr qint64 MaxGapMs = 2000;
    // However far a range reaches, no more recordings than this are joined.
    static constexpr int MaxRecordings = 1440;

    // The recordings after File (File not among them), in order, until they
    // reach UntilMs from File's start or none continues the drive.
    static QStringList Following(const QString &File, qint64 UntilMs);

    // When a recording started, by its movie header or its name; invalid
    // when neither tells.
    static QDateTime StartOf(const QString &Path);
    // How long its pictures run; -1 when unknown.
    static qint64 DurationOf(const QString &Path);
};

#endif // UDRIVECHAIN_H

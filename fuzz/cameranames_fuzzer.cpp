// Fuzz target for the cameras' naming table and the grouping: the input is a
// list of paths, one a line (names come from cards and their copies, any
// bytes). Every path must end in exactly one place (a recording, a join or a
// copy); a recording has one file per camera, its front first where it has
// more than one, and files of one moment only. Any break stops the run.

#include "catalogue/ucameragroups.h"
#include "catalogue/ucameranaming.h"
#include "fixchecks.h"
#include "fuzztarget.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QTimeZone>

#include <cstring>

namespace {

using fixchecks::Finding;

// No file is read: a path's start and length come from its bytes, a few
// seconds and lengths apart, so that some match and some do not.
URecordedSpan SpanFromName(const QString &Path)
{
    const QByteArray hash = QCryptographicHash::hash(Path.toUtf8(), QCryptographicHash::Sha1);
    URecordedSpan span;
    if (hash.at(0) & 1)
        return span;
    span.Start = QDateTime(QDate(2026, 5, 1), QTime(12, 0), QTimeZone::utc()).addSecs(quint8(hash.at(1)) % 5);
    span.DurationMs = 55000 + qint64(quint8(hash.at(2)) % 4) * 4000;
    return span;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(Data), qsizetype(Size));
    QStringList paths;
    QSet<QString> seen;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        // The import hands over each file once, by an absolute path.
        const QString path = QLatin1String("/card/") + line;
        if (line.isEmpty() || seen.contains(path))
            continue;
        seen.insert(path);
        paths << path;
    }
    for (const QString &path : std::as_const(paths)) {
        const UCameraName name = UCameraNaming::Read(path);
        if (name.Known && (name.Rule.isEmpty() || name.Tree.isEmpty()))
            Finding("a known camera without its rule or folder");
        if (name.Known && !name.ByTime && name.Moment.isEmpty())
            Finding("a camera named by its moment without one");
    }
    // The first third as listed before, each a recording of its own.
    const qsizetype listedCount = paths.size() / 3;
    QList<UCameraFiles> listed;
    for (qsizetype i = 0; i < listedCount; ++i)
        listed << UCameraFiles{UCameraFile{UCameraNaming::Read(paths.at(i)).Role, paths.at(i)}};
    const QStringList imported = paths.mid(listedCount);
    const UCameraGrouping grouping = UCameraGroups::Group(imported, listed, SpanFromName);

    QHash<QString, int> placed;
    for (const UCameraFiles &cameras : grouping.Recordings) {
        if (cameras.isEmpty())
            Finding("an empty recording");
        QSet<int> roles;
        for (const UCameraFile &camera : cameras) {
            ++placed[camera.Path];
            if (roles.contains(int(camera.Role)))
                Finding("two files of one camera in a recording");
            roles.insert(int(camera.Role));
        }
        if (cameras.size() > 1) {
            if (cameras.constFirst().Role != UCameraRole::Front)
                Finding("a recording of several cameras without its front first");
            const UCameraName front = UCameraNaming::Read(cameras.constFirst().Path);
            for (const UCameraFile &camera : cameras) {
                const UCameraName name = UCameraNaming::Read(camera.Path);
                if (!front.SameMoment(name) && !(front.ByTime && name.ByTime && front.Tree == name.Tree))
                    Finding("files of different moments in one recording");
            }
        }
    }
    for (const UCameraJoin &join : grouping.Joins) {
        ++placed[join.Camera.Path];
        if (join.Index < 0 || join.Index >= listed.size() || listed.at(join.Index).constFirst().Path != join.FrontPath)
            Finding("a join to no listed recording");
    }
    for (const QString &copy : grouping.Copies)
        ++placed[copy];
    for (const QString &path : imported) {
        if (placed.value(path) != 1)
            Finding("a file not placed exactly once");
    }
    if (placed.size() != imported.size())
        Finding("a file placed that was not imported");
    return 0;
}

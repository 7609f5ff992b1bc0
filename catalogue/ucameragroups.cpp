#include "ucameragroups.h"

#include "catalogue/ucameranaming.h"
#include "gpslog/videospan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

struct ImportFile
{
    QString Path;
    int Position = 0;
    UCameraName Name;
    URecordedSpan Span;
    bool Used = false;
};

// A recording of the list as the grouping sees it.
struct ListedRecording
{
    int Index = -1;
    QString FrontPath;
    UCameraName Front;
    // The quality of the file each camera has, by role.
    std::map<UCameraRole, int> Qualities;
    URecordedSpan Span;
    bool SpanRead = false;
};

QString MomentKey(const UCameraName &Name)
{
    return Name.Rule + QLatin1Char('\n') + Name.Tree + QLatin1Char('\n') + Name.Moment;
}

bool HasSpan(const URecordedSpan &Span)
{
    return Span.Start.isValid() && Span.DurationMs > 0;
}

// Within the start and length tolerances of the front camera's span.
bool SpansMatch(const URecordedSpan &Front, const URecordedSpan &Other)
{
    if (!HasSpan(Front) || !HasSpan(Other))
        return false;
    if (std::llabs(Front.Start.msecsTo(Other.Start)) > UCameraGroups::StartToleranceMs)
        return false;
    const qint64 longer = std::max(Front.DurationMs, Other.DurationMs);
    return double(std::llabs(Front.DurationMs - Other.DurationMs)) <= UCameraGroups::LengthTolerance * double(longer);
}

class Grouper
{
public:
    Grouper(const QStringList &Paths, const QList<UCameraFiles> &Listed, const UCameraGroups::SpanReader &SpanOf)
        : SpanOf(SpanOf)
    {
        Files.reserve(Paths.size());
        for (const QString &path : Paths)
            Files.append({path, int(Files.size()), UCameraNaming::Read(path), {}, false});
        for (int index = 0; index < Listed.size(); ++index)
            AddListed(index, Listed.at(index));
    }

    UCameraGrouping Run()
    {
        std::map<QString, QList<int>> byMoment;
        QList<QString> momentOrder;
        std::map<QString, QList<int>> byTree;
        QList<QString> treeOrder;
        for (const ImportFile &file : std::as_const(Files)) {
            if (!file.Name.Known) {
                Own(file.Position, UCameraRole::Front);
            } else if (file.Name.ByTime) {
                QList<int> &tree = byTree[file.Name.Tree];
                if (tree.isEmpty())
                    treeOrder << file.Name.Tree;
                tree << file.Position;
            } else {
                QList<int> &moment = byMoment[MomentKey(file.Name)];
                if (moment.isEmpty())
                    momentOrder << MomentKey(file.Name);
                moment << file.Position;
            }
        }
        for (const QString &key : std::as_const(momentOrder))
            GroupMoment(key, byMoment[key]);
        for (const QString &tree : std::as_const(treeOrder))
            GroupByTime(byTree[tree]);

        std::stable_sort(Placed.begin(), Placed.end(),
                         [](const auto &A, const auto &B) { return A.first < B.first; });
        for (const auto &placed : std::as_const(Placed))
            Result.Recordings << placed.second;
        std::sort(Result.Joins.begin(), Result.Joins.end(), [this](const UCameraJoin &A, const UCameraJoin &B) {
            return PositionOf.value(A.Camera.Path) < PositionOf.value(B.Camera.Path);
        });
        return Result;
    }

private:
    void AddListed(int Index, const UCameraFiles &Cameras)
    {
        if (Cameras.isEmpty())
            return;
        ListedRecording listed;
        listed.Index = Index;
        listed.FrontPath = Cameras.constFirst().Path;
        listed.Front = UCameraNaming::Read(listed.FrontPath);
        // Only a front camera's recording takes the other cameras in.
        if (!listed.Front.Known || listed.Front.Role != UCameraRole::Front
            || Cameras.constFirst().Role != UCameraRole::Front)
            return;
        for (const UCameraFile &camera : Cameras)
            listed.Qualities[camera.Role] = UCameraNaming::Read(camera.Path).Quality;
        Listed.append(listed);
    }

    void Own(int Position, UCameraRole Role)
    {
        Placed.append({Position, {UCameraFile{Role, Files.at(Position).Path}}});
        Files[Position].Used = true;
    }

    void Join(ListedRecording &Listed, int Position)
    {
        const ImportFile &file = Files.at(Position);
        Result.Joins.append({Listed.Index, Listed.FrontPath, UCameraFile{file.Name.Role, file.Path}});
        PositionOf.insert(file.Path, Position);
        Listed.Qualities[file.Name.Role] = file.Name.Quality;
        Files[Position].Used = true;
    }

    // The files of one moment by their names.
    void GroupMoment(const QString &Key, const QList<int> &Members)
    {
        // One file per camera: the best copy, the first of equals; the
        // others of the same quality are recordings of their own.
        std::map<UCameraRole, int> chosen;
        QList<int> apart;
        for (const int position : Members) {
            const ImportFile &file = Files.at(position);
            const auto held = chosen.find(file.Name.Role);
            if (held == chosen.end()) {
                chosen[file.Name.Role] = position;
            } else if (file.Name.Quality > Files.at(held->second).Name.Quality) {
                Result.Copies << Files.at(held->second).Path;
                held->second = position;
            } else if (file.Name.Quality < Files.at(held->second).Name.Quality) {
                Result.Copies << file.Path;
            } else {
                apart << position;
            }
        }
        // A better copy of a camera is listed already: this one is not listed apart.
        for (auto it = chosen.begin(); it != chosen.end();) {
            const ImportFile &file = Files.at(it->second);
            const bool better = std::any_of(Listed.cbegin(), Listed.cend(), [&](const ListedRecording &listed) {
                const auto held = listed.Qualities.find(file.Name.Role);
                return MomentKey(listed.Front) == Key && held != listed.Qualities.end()
                    && held->second > file.Name.Quality;
            });
            if (better) {
                Result.Copies << file.Path;
                it = chosen.erase(it);
            } else {
                ++it;
            }
        }
        const auto front = chosen.find(UCameraRole::Front);
        if (front != chosen.end()) {
            UCameraFiles cameras;
            for (const auto &[role, position] : chosen) {
                cameras << UCameraFile{role, Files.at(position).Path};
                Files[position].Used = true;
            }
            Placed.append({front->second, cameras});
        } else {
            for (const auto &[role, position] : chosen) {
                ListedRecording *target = nullptr;
                for (ListedRecording &listed : Listed) {
                    if (MomentKey(listed.Front) == Key && listed.Qualities.count(role) == 0) {
                        target = &listed;
                        break;
                    }
                }
                if (target)
                    Join(*target, position);
                else
                    Own(position, role);
            }
        }
        for (const int position : std::as_const(apart))
            Own(position, Files.at(position).Name.Role);
    }

    URecordedSpan SpanOfFile(const QString &Path) const
    {
        return SpanOf ? SpanOf(Path) : UCameraGroups::RecordedSpan(Path);
    }

    // The files of one folder tree whose names tell their camera, not their
    // moment: matched to a front camera's file by start time and length.
    void GroupByTime(const QList<int> &Members)
    {
        for (const int position : Members)
            Files[position].Span = SpanOfFile(Files.at(position).Path);
        for (const int frontAt : Members) {
            const ImportFile &front = Files.at(frontAt);
            if (front.Name.Role != UCameraRole::Front || front.Used)
                continue;
            UCameraFiles cameras{UCameraFile{UCameraRole::Front, front.Path}};
            Files[frontAt].Used = true;
            std::map<UCameraRole, int> best;
            for (const int position : Members) {
                const ImportFile &file = Files.at(position);
                if (file.Used || file.Name.Role == UCameraRole::Front || !SpansMatch(front.Span, file.Span))
                    continue;
                const auto held = best.find(file.Name.Role);
                const qint64 offset = std::llabs(front.Span.Start.msecsTo(file.Span.Start));
                if (held == best.end()
                    || offset < std::llabs(front.Span.Start.msecsTo(Files.at(held->second).Span.Start)))
                    best[file.Name.Role] = position;
            }
            for (const auto &[role, position] : best) {
                cameras << UCameraFile{role, Files.at(position).Path};
                Files[position].Used = true;
            }
            Placed.append({frontAt, cameras});
        }
        for (const int position : Members) {
            const ImportFile &file = Files.at(position);
            if (file.Used)
                continue;
            ListedRecording *target = nullptr;
            for (ListedRecording &listed : Listed) {
                if (!listed.Front.ByTime || listed.Front.Tree != file.Name.Tree
                    || listed.Qualities.count(file.Name.Role) != 0)
                    continue;
                if (!listed.SpanRead) {
                    listed.Span = SpanOfFile(listed.FrontPath);
                    listed.SpanRead = true;
                }
                if (SpansMatch(listed.Span, file.Span)) {
                    target = &listed;
                    break;
                }
            }
            if (target)
                Join(*target, position);
            else
                Own(position, file.Name.Role);
        }
    }

    const UCameraGroups::SpanReader &SpanOf;
    QList<ImportFile> Files;
    QList<ListedRecording> Listed;
    QList<QPair<int, UCameraFiles>> Placed;
    QHash<QString, int> PositionOf;
    UCameraGrouping Result;
};

} // namespace

UCameraGrouping UCameraGroups::Group(const QStringList &Paths, const QList<UCameraFiles> &Listed,
                                     const SpanReader &SpanOf)
{
    return Grouper(Paths, Listed, SpanOf).Run();
}

URecordedSpan UCameraGroups::RecordedSpan(const QString &Path)
{
    URecordedSpan span;
    QFile file(Path);
    if (QFileInfo(Path).isFile() && file.open(QIODevice::ReadOnly)) {
        const VideoSpan header = VideoSpan::FromMovieHeader(file);
        span.Start = header.Start;
        span.DurationMs = header.DurationMs;
    }
    if (!span.Start.isValid())
        span.Start = VideoSpan::StartFromName(QFileInfo(Path).fileName());
    return span;
}

void UCameraGroups::SortByRole(UCameraFiles &Cameras)
{
    std::stable_sort(Cameras.begin(), Cameras.end(),
                     [](const UCameraFile &A, const UCameraFile &B) { return A.Role < B.Role; });
}

QString UCameraGroups::SharedFolder(const UCameraFiles &Cameras)
{
    if (Cameras.isEmpty())
        return QString();
    QStringList shared = QDir::cleanPath(QFileInfo(Cameras.constFirst().Path).absolutePath()).split(QLatin1Char('/'));
    for (const UCameraFile &camera : Cameras) {
        const QStringList parts = QDir::cleanPath(QFileInfo(camera.Path).absolutePath()).split(QLatin1Char('/'));
        qsizetype same = 0;
        while (same < shared.size() && same < parts.size() && shared.at(same) == parts.at(same))
            ++same;
        shared.resize(same);
    }
    const QString folder = shared.join(QLatin1Char('/'));
    // Only the root is left: split and joined, it reads empty.
    return folder.isEmpty() ? QStringLiteral("/") : folder;
}

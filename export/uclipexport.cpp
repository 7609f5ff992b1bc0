#include "uclipexport.h"

#include "export/uclipgps.h"
#include "export/uclipmanifest.h"
#include "export/uclipmuxer.h"
#include "export/uclipsummary.h"
#include "export/ufilehash.h"
#include "gpslog/gpxwriter.h"
#include "gpslog/videospan.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;
constexpr int SecondsPerMinute = 60;
constexpr int SecondsPerHour = 3600;
constexpr int PercentDone = 100;
constexpr int WaitSliceMs = 50;
constexpr int WorkFolderAttempts = 100;
const QString Mp4Suffix = QStringLiteral(".mp4");
const QString QuickTimeSuffix = QStringLiteral(".mov");
const QString GpxSuffix = QStringLiteral(".gpx");
const QString GpsShiftNote = QStringLiteral("gpsshift");
const QString SourceAttribute = QStringLiteral("source");

using Failure = UClipOutcome::Failure;

// HH-MM-SS, whole seconds down.
QString FileTime(qint64 Ms)
{
    const qint64 seconds = std::max<qint64>(Ms, 0) / MillisecondsPerSecond;
    const QLatin1Char zero('0');
    return QStringLiteral("%1-%2-%3")
        .arg(seconds / SecondsPerHour, 2, 10, zero)
        .arg(seconds % SecondsPerHour / SecondsPerMinute, 2, 10, zero)
        .arg(seconds % SecondsPerMinute, 2, 10, zero);
}

QString ErrnoText(int Code)
{
    return QString::fromLocal8Bit(std::strerror(Code));
}

// A file or folder's data on the disk before the folder is renamed into
// place, so that the folder under its own name is whole.
bool Sync(const QString &Path, bool Folder)
{
    const QByteArray name = QFile::encodeName(Path);
    const int descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC | (Folder ? O_DIRECTORY : 0));
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

qint64 SecondFloor(qint64 Ms)
{
    return Ms >= 0 ? Ms / MillisecondsPerSecond : -((-Ms + MillisecondsPerSecond - 1) / MillisecondsPerSecond);
}

// One recording's share of the range, in its own time.
struct Share
{
    int Recording = 0;
    qint64 FromMs = 0;
    qint64 ToMs = 0;
};

// A stretch of one output, and where it starts in that output.
struct Part
{
    Share Of;
    QString Path;
    qint64 ClipStartMs = 0;
};

struct Planned
{
    UCameraRole Role = UCameraRole::Front;
    bool Master = false;
    QString Name;
    bool QuickTime = false;
    QList<Part> Parts;
    qint64 DurationMs = 0;
    qint64 EstimatedBytes = 0;
};

struct SourceFile
{
    QString Path;
    UCameraRole Role = UCameraRole::Front;
    Share Of;
    std::optional<UFileHash::Hashed> Hashed;
};

class Exporter
{
public:
    Exporter(const UClipRequest &Request, const UClipExport::Progress &OnProgress, const std::atomic<bool> *Cancel)
        : Request(Request), OnProgress(OnProgress), Cancel(Cancel)
    {
    }

    ~Exporter()
    {
        Stop = true;
        if (Hasher) {
            Hasher->wait();
            Hasher.reset();
        }
        if (!Finished)
            RemoveWork();
    }

    UClipOutcome Run()
    {
        if (Measure() && PrepareFolder() && PlanOutputs() && HashSourcesInBackground() && CopyAll() && WriteGpx()
            && WriteRoutePicture() && HashOutputs() && WaitForSources() && WriteSummaryAndManifest()
            && PutInPlace()) {
            Outcome.Done = true;
            Report(PercentDone);
        }
        return Outcome;
    }

private:
    bool Fail(Failure Why, const QString &Error)
    {
        Outcome.Why = Why;
        Outcome.Error = Error;
        Stop = true;
        return false;
    }

    bool Cancelled()
    {
        if (Cancel && Cancel->load()) {
            Stop = true;
            return true;
        }
        return false;
    }

    bool FailIfCancelled()
    {
        return Cancelled() ? Fail(Failure::Cancelled, QStringLiteral("cancelled")) : true;
    }

    // --- the range

    bool Measure()
    {
        if (Request.Recordings.isEmpty() || Request.Recordings.first().Cameras.isEmpty())
            return Fail(Failure::Source, QStringLiteral("no recording to export"));
        qint64 start = 0;
        for (qsizetype k = 0; k < Request.Recordings.size(); ++k) {
            const UClipRecording &recording = Request.Recordings.at(k);
            if (recording.Cameras.isEmpty())
                break;
            const UClipProbe probe = ProbeOf(recording.Cameras.first().Path);
            if (!probe.Readable || probe.DurationMs <= 0) {
                if (k == 0) {
                    return Fail(Failure::Source, QStringLiteral("%1: %2").arg(
                                                     recording.Cameras.first().Path,
                                                     probe.Readable ? QStringLiteral("its length is unknown")
                                                                    : probe.Error));
                }
                // The drive goes on no further than its last readable recording.
                Outcome.Notes << QStringLiteral("%1: %2; the clip ends before it")
                                     .arg(recording.Cameras.first().Path, probe.Error);
                break;
            }
            Starts << start;
            Durations << probe.DurationMs;
            start += probe.DurationMs;
        }
        const qint64 first = Durations.first();
        const qint64 from = Request.FromMs;
        const qint64 to = std::min(Request.ToMs < 0 ? first : Request.ToMs, start);
        const QString name = QFileInfo(MasterOf(0)).fileName();
        if (from < 0)
            return Fail(Failure::Range, QStringLiteral("the range starts before %1").arg(name));
        if (from >= first) {
            return Fail(Failure::Range, QStringLiteral("the range starts at %1, past the end of %2 (%3)")
                                            .arg(UClipManifest::TimeText(from), name, UClipManifest::TimeText(first)));
        }
        if (to <= from)
            return Fail(Failure::Range, QStringLiteral("the range from %1 to %2 is empty")
                                            .arg(UClipManifest::TimeText(from), UClipManifest::TimeText(to)));
        Outcome.FromMs = from;
        Outcome.ToMs = to;
        for (qsizetype k = 0; k < Durations.size(); ++k) {
            const qint64 shareFrom = std::max<qint64>(from - Starts.at(k), 0);
            const qint64 shareTo = std::min(to - Starts.at(k), Durations.at(k));
            if (shareTo > shareFrom)
                Shares.append({int(k), shareFrom, shareTo});
        }
        return true;
    }

    QString MasterOf(int Recording) const { return Request.Recordings.at(Recording).Cameras.first().Path; }

    UClipProbe ProbeOf(const QString &Path)
    {
        const auto known = Probes.constFind(Path);
        if (known != Probes.constEnd())
            return *known;
        const UClipProbe probe = UClipMuxer::Probe(Path);
        Probes.insert(Path, probe);
        return probe;
    }

    // --- the folder

    bool PrepareFolder()
    {
        QString folder = QDir::cleanPath(QFileInfo(Request.Folder).absoluteFilePath());
        if (Request.InNewFolder) {
            const QString base
                = UClipExport::BaseName(MasterOf(Shares.first().Recording), Outcome.FromMs, Outcome.ToMs);
            QString name = base;
            for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name))
                 || QFileInfo(QDir(folder).filePath(name)).isSymLink();
                 ++n)
                name = QStringLiteral("%1 (%2)").arg(base).arg(n);
            folder = QDir(folder).filePath(name);
        }
        QFileInfo info(folder);
        // A link to a folder is followed: the folder it names is filled.
        if (info.isSymLink() && info.isDir()) {
            folder = info.canonicalFilePath();
            info = QFileInfo(folder);
        }
        Folder = folder;
        Outcome.Folder = folder;
        if ((info.exists() || info.isSymLink()) && !info.isDir())
            return Fail(Failure::Folder, QStringLiteral("%1: not a folder").arg(folder));
        if (info.isDir() && !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            return Fail(Failure::Folder, QStringLiteral("%1: not empty").arg(folder));
        const QString parent = info.absolutePath();
        if (!QFileInfo(parent).isDir()) {
            // The folders made on the way are taken away again on failure.
            QString top = parent;
            while (!QFileInfo(QFileInfo(top).absolutePath()).exists() && QFileInfo(top).absolutePath() != top)
                top = QFileInfo(top).absolutePath();
            if (!QDir().mkpath(parent))
                return Fail(Failure::Folder, QStringLiteral("%1: cannot be made").arg(folder));
            MadeParents = parent;
            MadeTop = top;
        }
        for (int attempt = 0; attempt < WorkFolderAttempts && Work.isEmpty(); ++attempt) {
            const QString candidate = QDir(parent).filePath(
                QStringLiteral(".%1.partial-%2")
                    .arg(info.fileName())
                    .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
            const QByteArray name = QFile::encodeName(candidate);
            if (::mkdir(name.constData(), 0777) == 0)
                Work = candidate;
            else if (errno != EEXIST)
                return Fail(Failure::Folder, QStringLiteral("%1: cannot be written (%2)").arg(folder, ErrnoText(errno)));
        }
        if (Work.isEmpty())
            return Fail(Failure::Folder, QStringLiteral("%1: cannot be written").arg(folder));
        return true;
    }

    void RemoveWork()
    {
        if (!Work.isEmpty())
            QDir(Work).removeRecursively();
        if (MadeParents.isEmpty())
            return;
        // Only the folders made here, and only while empty.
        QString at = MadeParents;
        for (;;) {
            if (!QDir().rmdir(at) || at == MadeTop)
                break;
            at = QFileInfo(at).absolutePath();
        }
    }

    // --- the clips to make

    bool PlanOutputs()
    {
        // Each camera of the first recording, by role and its count within
        // the role (two cameras may share one), is followed through the drive.
        struct Key
        {
            UCameraRole Role;
            int Nth;
        };
        const auto keysOf = [](const UCameraFiles &Cameras) {
            QList<Key> keys;
            for (const UCameraFile &camera : Cameras) {
                const int nth = int(std::count_if(keys.cbegin(), keys.cend(),
                                                  [&camera](const Key &k) { return k.Role == camera.Role; }));
                keys.append({camera.Role, nth});
            }
            return keys;
        };
        const UClipRecording &first = Request.Recordings.at(Shares.first().Recording);
        const QList<Key> keys = keysOf(first.Cameras);
        QSet<QString> names;
        for (qsizetype c = 0; c < keys.size(); ++c) {
            const Key key = keys.at(c);
            const bool master = c == 0;
            std::optional<Planned> current;
            QByteArray layout;
            const auto close = [&] {
                if (current && !current->Parts.isEmpty())
                    Outputs.append(*current);
                current.reset();
            };
            for (const Share &share : std::as_const(Shares)) {
                const UClipRecording &recording = Request.Recordings.at(share.Recording);
                const QList<Key> here = keysOf(recording.Cameras);
                QString path;
                for (qsizetype i = 0; i < here.size(); ++i) {
                    if (here.at(i).Role == key.Role && here.at(i).Nth == key.Nth)
                        path = recording.Cameras.at(i).Path;
                }
                if (master)
                    path = recording.Cameras.first().Path;
                const UClipProbe probe = path.isEmpty() ? UClipProbe() : ProbeOf(path);
                if (!probe.Readable) {
                    if (!path.isEmpty())
                        Outcome.Notes << QStringLiteral("%1: %2; left out").arg(path, probe.Error);
                    close();
                    continue;
                }
                // Recordings of one drive join when their streams are alike;
                // otherwise each goes into a file of its own.
                if (current && (probe.Layout != layout || probe.FitsMp4 == current->QuickTime))
                    close();
                if (!current) {
                    current = Planned();
                    current->Role = key.Role;
                    current->Master = master;
                    current->QuickTime = !probe.FitsMp4;
                    layout = probe.Layout;
                }
                Part part;
                part.Of = share;
                part.Path = path;
                part.ClipStartMs = current->DurationMs;
                current->Parts.append(part);
                current->DurationMs += share.ToMs - share.FromMs;
                const qint64 size = QFileInfo(path).size();
                current->EstimatedBytes += Durations.at(share.Recording) > 0
                    ? qint64(double(size) * double(share.ToMs - share.FromMs) / double(Durations.at(share.Recording)))
                    : size;
                Sources.append({path, key.Role, share, std::nullopt});
            }
            close();
        }
        if (Outputs.isEmpty() || !Outputs.first().Master)
            return Fail(Failure::Source, QStringLiteral("%1: cannot be read").arg(MasterOf(0)));
        for (Planned &output : Outputs) {
            const Part &part = output.Parts.first();
            // The first file of the range is named after the range in its
            // first recording's time; a file that starts in a later
            // recording, after that recording's time.
            const qint64 offset = part.Of.Recording == Shares.first().Recording ? Starts.at(part.Of.Recording) : 0;
            const qint64 from = offset + part.Of.FromMs;
            QString name = UClipExport::BaseName(MasterOf(part.Of.Recording), from, from + output.DurationMs);
            if (!output.Master)
                name += QLatin1Char('_') + CameraRoleName(output.Role);
            QString unique = name;
            for (int n = 2; names.contains(unique); ++n)
                unique = name + QLatin1Char('-') + QString::number(n);
            names.insert(unique);
            output.Name = unique + (output.QuickTime ? QuickTimeSuffix : Mp4Suffix);
            CopyEstimate += output.EstimatedBytes;
        }
        for (const Share &share : std::as_const(Shares)) {
            const UClipRecording &recording = Request.Recordings.at(share.Recording);
            Gps.insert(share.Recording, UClipGps::Read(recording.GpsKind, recording.GpsPath, MasterOf(share.Recording),
                                                       recording.GpsShiftSeconds));
        }
        for (const SourceFile &source : std::as_const(Sources))
            SourceBytes += QFileInfo(source.Path).size();
        return true;
    }

    // --- time and place

    // The time of day at LocalMs of a recording: by its GPS, else by the
    // video's own start.
    QDateTime RealTime(int Recording, qint64 LocalMs)
    {
        const QDateTime byGps = Gps.value(Recording).RealTimeAt(LocalMs);
        if (byGps.isValid())
            return byGps;
        if (!Spans.contains(Recording))
            Spans.insert(Recording, VideoSpan::Of(MasterOf(Recording)));
        const QDateTime start = Spans.value(Recording).Start;
        return start.isValid() ? start.toUTC().addMSecs(LocalMs) : QDateTime();
    }

    QString Speed(double Kmh) const
    {
        return Request.SpeedText ? Request.SpeedText(Kmh) : QStringLiteral("%1 km/h").arg(qRound(Kmh));
    }

    // One cue a second of the source, as the player shows that second.
    QList<UClipCue> CuesOf(const Planned &Output)
    {
        QList<UClipCue> cues;
        for (const Part &part : Output.Parts) {
            const UClipGps gps = Gps.value(part.Of.Recording);
            if (gps.IsEmpty())
                continue;
            for (qint64 second = SecondFloor(part.Of.FromMs); second * MillisecondsPerSecond < part.Of.ToMs;
                 ++second) {
                const qint64 at = second * MillisecondsPerSecond;
                const std::optional<GpsFix> fix = gps.ShownAt(at);
                if (!fix)
                    continue;
                const qint64 start = std::max(at, part.Of.FromMs);
                const qint64 end = std::min(at + MillisecondsPerSecond, part.Of.ToMs);
                const QDateTime time = fix->Utc.isValid() ? fix->Utc : RealTime(part.Of.Recording, at);
                cues.append({part.ClipStartMs + start - part.Of.FromMs, part.ClipStartMs + end - part.Of.FromMs,
                             UClipExport::CueText(time, fix->Latitude, fix->Longitude, Speed(fix->SpeedKmh))});
            }
        }
        return cues;
    }

    // Every report within the output, in order, each with a time of day
    // (the time the video gives where the source has none).
    GpsFixList FixesOf(const QList<Part> &Parts)
    {
        GpsFixList fixes;
        for (const Part &part : Parts) {
            const QList<UClipGps::Report> reports = Gps.value(part.Of.Recording).Between(part.Of.FromMs, part.Of.ToMs);
            for (const UClipGps::Report &report : reports) {
                GpsFix fix = report.Fix;
                if (!fix.Utc.isValid())
                    fix.Utc = RealTime(part.Of.Recording, report.ShownMs);
                fixes.append(fix);
            }
        }
        return fixes;
    }

    // --- making the files

    void Report(int Percent)
    {
        if (Percent != LastPercent && OnProgress) {
            LastPercent = Percent;
            OnProgress(Percent);
        }
    }

    void ReportWork()
    {
        // Copies, the hashes of the sources and the hashes of the copies.
        const double total = double(CopyEstimate) * 2.0 + double(SourceBytes) + 1.0;
        const double done = double(Copied) + double(SourceHashed.load()) + double(OutputHashed.load());
        Report(std::clamp(int(done * PercentDone / total), 0, PercentDone - 1));
    }

    bool HashSourcesInBackground()
    {
        // The sources are hashed whole while the clips are copied: on a
        // machine of several cores the two take turns less.
        Hasher.reset(QThread::create([this] {
            for (SourceFile &source : Sources) {
                const auto same = std::find_if(Sources.begin(), Sources.end(),
                                               [&source](const SourceFile &s) { return s.Path == source.Path; });
                if (same != Sources.end() && &*same != &source) {
                    source.Hashed = same->Hashed;
                    continue;
                }
                source.Hashed = UFileHash::Sha256(source.Path, &SourceHashed, &Stop);
                if (!source.Hashed)
                    return;
            }
        }));
        Hasher->setObjectName(QStringLiteral("ClipSourceHashes"));
        Hasher->start(QThread::LowPriority);
        return true;
    }

    bool CopyAll()
    {
        qint64 copiedBefore = 0;
        for (const Planned &output : std::as_const(Outputs)) {
            if (!FailIfCancelled())
                return false;
            const Part &first = output.Parts.first();
            UClipMuxer::Options options;
            options.QuickTime = output.QuickTime;
            const QDateTime in = RealTime(first.Of.Recording, first.Of.FromMs);
            // The movie header keeps whole seconds: the nearest one.
            if (in.isValid()) {
                const qint64 ms = in.time().msec();
                options.CreationTime = in.addMSecs(ms >= MillisecondsPerSecond / 2 ? MillisecondsPerSecond - ms : -ms);
            }
            const GpsFixList fixes = FixesOf(output.Parts);
            if (!fixes.isEmpty())
                options.Location = UClipExport::Iso6709(fixes.first().Latitude, fixes.first().Longitude);
            if (output.Master)
                options.Cues = CuesOf(output);
            options.Progress = [this, &output, copiedBefore](qint64 DoneMs) {
                if (Cancelled())
                    return false;
                const double share = output.DurationMs > 0 ? double(std::min(DoneMs, output.DurationMs)) / double(output.DurationMs) : 1.0;
                Copied = copiedBefore + qint64(share * double(output.EstimatedBytes));
                ReportWork();
                return true;
            };
            QList<UClipSegment> segments;
            for (const Part &part : output.Parts)
                segments.append({part.Path, part.Of.FromMs, part.Of.ToMs});
            const UClipMuxer::Result result = UClipMuxer::Write(segments, WorkPath(output.Name), options);
            if (result.Cancelled)
                return Fail(Failure::Cancelled, QStringLiteral("cancelled"));
            if (!result.Done) {
                if (result.Unwritable)
                    return Fail(Failure::Folder, QStringLiteral("%1: cannot be written (%2)").arg(Folder, result.Reason));
                return Fail(Failure::Other, result.Error);
            }
            Outcome.Files << output.Name;
            copiedBefore += output.EstimatedBytes;
            Copied = copiedBefore;
            ReportWork();
        }
        return true;
    }

    QString WorkPath(const QString &Name) const { return QDir(Work).filePath(Name); }

    bool Save(const QString &Name, const std::function<bool(QIODevice &)> &Write)
    {
        QSaveFile file(WorkPath(Name));
        if (!file.open(QIODevice::WriteOnly))
            return Fail(Failure::Folder, QStringLiteral("%1: cannot be written (%2)").arg(Folder, file.errorString()));
        if (!Write(file) || !file.commit())
            return Fail(Failure::Folder, QStringLiteral("%1: cannot be written (%2)").arg(Folder, file.errorString()));
        Outcome.Files << Name;
        return true;
    }

    bool WriteGpx()
    {
        for (const Planned &output : std::as_const(Outputs)) {
            if (!output.Master)
                continue;
            const GpsFixList fixes = FixesOf(output.Parts);
            if (fixes.isEmpty())
                continue;
            QList<GpxWriter::Note> notes;
            for (const Part &part : output.Parts) {
                notes.append({GpsShiftNote, QString::number(Gps.value(part.Of.Recording).ShiftSeconds()),
                              {{SourceAttribute, QFileInfo(part.Path).fileName()}}});
            }
            const QString name = QFileInfo(output.Name).completeBaseName() + GpxSuffix;
            if (!Save(name, [&](QIODevice &Device) { return GpxWriter::Write(fixes, Device, notes); }))
                return false;
        }
        return FailIfCancelled();
    }

    bool WriteRoutePicture()
    {
        GpsFixList route;
        for (const Planned &output : std::as_const(Outputs)) {
            if (output.Master)
                route += FixesOf(output.Parts);
        }
        Route = route;
        const QImage picture = UClipSummary::RoutePicture(route, &ScaleMetres);
        if (picture.isNull())
            return true;
        return Save(QString::fromLatin1(UClipExport::RoutePictureName),
                    [&picture](QIODevice &Device) { return picture.save(&Device, "PNG"); });
    }

    std::optional<UClipFileEntry> HashOutput(const QString &Name)
    {
        const std::optional<UFileHash::Hashed> hashed = UFileHash::Sha256(WorkPath(Name), &OutputHashed, &Stop);
        if (!hashed)
            return std::nullopt;
        return UClipFileEntry{Name, hashed->Size, hashed->Sha256};
    }

    bool HashOutputs()
    {
        for (const QString &name : std::as_const(Outcome.Files)) {
            if (!FailIfCancelled())
                return false;
            const std::optional<UClipFileEntry> entry = HashOutput(name);
            if (!entry) {
                if (!FailIfCancelled())
                    return false;
                return Fail(Failure::Folder, QStringLiteral("%1: %2 cannot be read back").arg(Folder, name));
            }
            Hashes.append(*entry);
            ReportWork();
        }
        return true;
    }

    bool WaitForSources()
    {
        while (!Hasher->wait(QDeadlineTimer(WaitSliceMs))) {
            if (!FailIfCancelled())
                return false;
            ReportWork();
        }
        Hasher.reset();
        for (const SourceFile &source : std::as_const(Sources)) {
            if (!source.Hashed) {
                if (!FailIfCancelled())
                    return false;
                return Fail(Failure::Source, QStringLiteral("%1: cannot be read to its end").arg(source.Path));
            }
        }
        return true;
    }

    bool WriteSummaryAndManifest()
    {
        const int first = Shares.first().Recording;
        const UClipRecording &recording = Request.Recordings.at(first);
        const QDateTime in = RealTime(first, Shares.first().FromMs);
        QList<UClipSourceEntry> sources;
        for (const SourceFile &source : std::as_const(Sources)) {
            sources.append({QDir::cleanPath(QFileInfo(source.Path).absoluteFilePath()), CameraRoleName(source.Role),
                            source.Hashed->Size, source.Hashed->Sha256, source.Of.FromMs, source.Of.ToMs,
                            Request.Recordings.at(source.Of.Recording).GpsShiftSeconds});
        }

        UClipFacts facts;
        facts.Program = Request.Program;
        facts.Version = Request.Version;
        facts.FirstRecording = QFileInfo(MasterOf(first)).fileName();
        facts.FromMs = Outcome.FromMs;
        facts.ToMs = Outcome.ToMs;
        facts.InUtc = in;
        facts.Zone = Request.Zone;
        facts.GpsShiftSeconds = recording.GpsShiftSeconds;
        facts.InFix = Gps.value(first).ShownAt(Shares.first().FromMs);
        facts.Route = Route;
        for (const Planned &output : std::as_const(Outputs))
            facts.Cameras << CameraRoleName(output.Role) + QStringLiteral(": ") + output.Name;
        if (Outcome.Files.contains(QString::fromLatin1(UClipExport::RoutePictureName)))
            facts.RoutePicture = QString::fromLatin1(UClipExport::RoutePictureName);
        facts.ScaleMetres = ScaleMetres;
        facts.Sources = sources;
        facts.Files = Hashes;
        facts.SpeedText = Request.SpeedText;
        const QByteArray page = UClipSummary::Html(facts);
        if (!Save(QString::fromLatin1(UClipExport::SummaryName),
                  [&page](QIODevice &Device) { return Device.write(page) == page.size(); }))
            return false;
        const std::optional<UClipFileEntry> summary = HashOutput(QString::fromLatin1(UClipExport::SummaryName));
        if (!summary)
            return Fail(Failure::Folder, QStringLiteral("%1: the summary cannot be read back").arg(Folder));
        Hashes.append(*summary);

        UClipManifestData manifest;
        manifest.Program = Request.Program;
        manifest.Version = Request.Version;
        manifest.InUtc = in;
        manifest.Zone = Request.Zone;
        manifest.FromMs = Outcome.FromMs;
        manifest.ToMs = Outcome.ToMs;
        manifest.GpsShiftSeconds = recording.GpsShiftSeconds;
        manifest.Sources = sources;
        manifest.Files = Hashes;
        const QByteArray json = UClipManifest::Write(manifest);
        return Save(QString::fromLatin1(UClipManifest::FileName),
                    [&json](QIODevice &Device) { return Device.write(json) == json.size(); });
    }

    bool PutInPlace()
    {
        if (!FailIfCancelled())
            return false;
        for (const QString &name : std::as_const(Outcome.Files)) {
            if (!Sync(WorkPath(name), false))
                return Fail(Failure::Folder, QStringLiteral("%1: cannot be written (%2)").arg(Folder, ErrnoText(errno)));
        }
        Sync(Work, true);
        // Onto a missing or an empty folder, in one step.
        const QByteArray from = QFile::encodeName(Work);
        const QByteArray to = QFile::encodeName(Folder);
        if (::rename(from.constData(), to.constData()) != 0) {
            const int code = errno;
            if (code == ENOTEMPTY || code == EEXIST)
                return Fail(Failure::Folder, QStringLiteral("%1: not empty").arg(Folder));
            return Fail(Failure::Folder, QStringLiteral("%1: cannot be written (%2)").arg(Folder, ErrnoText(code)));
        }
        Sync(QFileInfo(Folder).absolutePath(), true);
        Finished = true;
        return true;
    }

    const UClipRequest &Request;
    const UClipExport::Progress &OnProgress;
    const std::atomic<bool> *Cancel;
    std::atomic<bool> Stop{false};
    UClipOutcome Outcome;

    QHash<QString, UClipProbe> Probes;
    QList<qint64> Starts;
    QList<qint64> Durations;
    QList<Share> Shares;
    QList<Planned> Outputs;
    QList<SourceFile> Sources;
    QHash<int, UClipGps> Gps;
    QHash<int, VideoSpan> Spans;
    GpsFixList Route;
    double ScaleMetres = 0.0;
    QList<UClipFileEntry> Hashes;

    QString Folder;
    QString Work;
    QString MadeParents;
    QString MadeTop;
    bool Finished = false;

    std::unique_ptr<QThread> Hasher;
    std::atomic<qint64> SourceHashed{0};
    std::atomic<qint64> OutputHashed{0};
    qint64 SourceBytes = 0;
    qint64 CopyEstimate = 0;
    qint64 Copied = 0;
    int LastPercent = -1;
};

} // namespace

UClipOutcome UClipExport::Run(const UClipRequest &Request, const Progress &OnProgress, const std::atomic<bool> *Cancel)
{
    return Exporter(Request, OnProgress, Cancel).Run();
}

QString UClipExport::BaseName(const QString &FrontPath, qint64 FromMs, qint64 ToMs)
{
    return QFileInfo(FrontPath).completeBaseName() + QLatin1Char('_') + FileTime(FromMs) + QLatin1Char('-')
        + FileTime(ToMs);
}

QString UClipExport::CueText(const QDateTime &Utc, double Latitude, double Longitude, const QString &Speed)
{
    const QString separator = QStringLiteral(" ") + QChar(0x00b7) + QStringLiteral(" ");
    QString text;
    if (Utc.isValid())
        text = Utc.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC") + separator;
    return text + UClipSummary::PlaceText(Latitude, Longitude) + separator + Speed;
}

QString UClipExport::Iso6709(double Latitude, double Longitude)
{
    return QString::asprintf("%+09.5f%+010.5f/", Latitude + 0.0, Longitude + 0.0);
}

#include "exportclipcommand.h"

#include "catalogue/uvideoandgpsfiles.h"
#include "console/uexportprogress.h"
#include "console/usettingskeys.h"
#include "export/uclipexport.h"
#include "export/udrivechain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

const QCommandLineOption Option(QStringLiteral("export-clip"),
                                QStringLiteral("Export a stretch of the video FILE into the folder --output DIR, "
                                               "without opening a window: a clip per camera copied without "
                                               "re-encoding, its GPS, a summary and a manifest of hashes."),
                                QStringLiteral("FILE"));
const QCommandLineOption From(QStringLiteral("from"),
                              QStringLiteral("Where the clip starts: HH:MM:SS or HH:MM:SS.mmm from the start of "
                                             "FILE (--export-clip; the start when not given)."),
                              QStringLiteral("TIME"));
const QCommandLineOption To(QStringLiteral("to"),
                            QStringLiteral("Where the clip ends, as --from (the end of FILE when not given); past "
                                           "FILE's end it goes on into the recordings that continue the drive."),
                            QStringLiteral("TIME"));
const QCommandLineOption Output(QStringLiteral("output"),
                                QStringLiteral("The folder the clip goes into (--export-clip): made when missing, "
                                               "refused when it holds anything."),
                                QStringLiteral("DIR"));

constexpr qint64 MillisecondsPerSecond = 1000;
constexpr qint64 SecondsPerMinute = 60;
constexpr qint64 MinutesPerHour = 60;
const QString ProgramName = QStringLiteral("Vialumo");

// A recording as the catalogue rates it: its cameras and its GPS.
UClipRecording RecordingOf(const QString &Path, const QSettings &Settings)
{
    const VideoAndGpsfile entry = UVideoAndGpsfiles::RateVideo(Path);
    UClipRecording recording;
    recording.Cameras = entry.Cameras.isEmpty() ? UCameraFiles{UCameraFile{UCameraRole::Front, Path}} : entry.Cameras;
    recording.GpsKind = entry.GpsSource;
    recording.GpsPath = entry.GpsfilePath;
    recording.GpsShiftSeconds = UExportProgress::GpsShift(Settings, recording.Cameras.first().Path);
    return recording;
}

int Main(const UCommandRun &Run)
{
    const QString file = Run.Absolute(Run.Parser.value(Option));
    if (!QFileInfo(file).isFile()) {
        Run.Fail(QStringLiteral("%1: no such file").arg(file));
        return UCommandExit::Failed;
    }
    if (!Run.Parser.isSet(Output) || Run.Parser.value(Output).isEmpty()) {
        Run.Fail(QStringLiteral("--export-clip needs --output DIR"));
        return UCommandExit::Failed;
    }
    qint64 from = 0;
    qint64 to = -1;
    for (const QCommandLineOption *option : {&From, &To}) {
        if (!Run.Parser.isSet(*option))
            continue;
        const QString text = Run.Parser.value(*option);
        const std::optional<qint64> time = ParseClipTime(text);
        if (!time) {
            Run.Fail(QStringLiteral("--%1 %2: not a time (HH:MM:SS or HH:MM:SS.mmm)").arg(option->names().constFirst(), text));
            return UCommandExit::Failed;
        }
        (option == &From ? from : to) = *time;
    }

    const QSettings settings(QString::fromLatin1(USettingsKeys::Organisation),
                             QString::fromLatin1(USettingsKeys::Application));
    UClipRequest request;
    request.Recordings << RecordingOf(file, settings);
    // A range past the end goes on along the drive.
    if (to > 0) {
        const QStringList following = UDriveChain::Following(request.Recordings.first().Cameras.first().Path, to);
        for (const QString &path : following)
            request.Recordings << RecordingOf(path, settings);
    }
    request.FromMs = from;
    request.ToMs = to;
    request.Folder = Run.Absolute(Run.Parser.value(Output));
    request.Program = ProgramName;
    request.Version = QCoreApplication::applicationVersion();
    request.SpeedText = &UExportProgress::SpeedText;
    const UClipOutcome outcome = UClipExport::Run(request);
    if (!outcome.Done) {
        Run.Fail(outcome.Error);
        return UCommandExit::Failed;
    }
    QString text;
    for (const QString &note : outcome.Notes)
        text += QStringLiteral("note: ") + note + QLatin1Char('\n');
    for (const QString &name : outcome.Files)
        text += QDir(outcome.Folder).filePath(name) + QLatin1Char('\n');
    Run.Print(text);
    return UCommandExit::Done;
}

} // namespace

std::optional<qint64> ParseClipTime(const QString &Text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,4}):([0-5]\\d):([0-5]\\d)(?:\\.(\\d{1,3}))?$"));
    const QRegularExpressionMatch match = pattern.match(Text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    qint64 ms = ((match.captured(1).toLongLong() * MinutesPerHour + match.captured(2).toLongLong()) * SecondsPerMinute
                 + match.captured(3).toLongLong())
        * MillisecondsPerSecond;
    const QString fraction = match.captured(4);
    if (!fraction.isEmpty())
        ms += QString(fraction + QStringLiteral("00")).left(3).toLongLong();
    return ms;
}

UCommand ExportClipCommand()
{
    return {Option, {From, To, Output}, Main};
}

#include "recordingscommandinput.h"

#include "catalogue/ufoldersearch.h"
#include "console/usettingskeys.h"
#include "events/urecordingevents.h"

#include <QSettings>

std::optional<RecordingsCommandInput> RecordingsCommandInput::Read(const UCommandRun &Run)
{
    const QStringList paths = Run.AbsolutePaths();
    if (paths.isEmpty()) {
        Run.Fail(QStringLiteral("no PATH given: name the videos or folders to read"));
        return std::nullopt;
    }
    UFolderSearchResult found = UFolderSearch::Search(paths);
    QSet<QString> known;
    UFolderSearch::DropKnown(found.Videos, known);
    if (found.Videos.isEmpty()) {
        Run.Fail(QStringLiteral("no video in %1").arg(paths.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    RecordingsCommandInput input;
    const QList<URecordingEvents> analysed = URecordingAnalysis::AnalyseAll(found.Videos);
    input.Recordings.reserve(analysed.size());
    for (qsizetype i = 0; i < analysed.size(); ++i)
        input.Recordings.append({int(i), std::make_shared<const URecordingEvents>(analysed.at(i))});
    const QSettings settings(QString::fromLatin1(USettingsKeys::Organisation),
                             QString::fromLatin1(USettingsKeys::Application));
    input.SpeedLimitKmh = std::max(0.0, settings.value(USettingsKeys::SpeedLimitKmh(), 0.0).toDouble());
    return input;
}

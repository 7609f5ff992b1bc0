#include "eventscommand.h"

#include "catalogue/ufoldersearch.h"
#include "commands/recordingscommandinput.h"
#include "console/ueventrows.h"

#include <QCommandLineParser>

namespace {

const QCommandLineOption Option(QStringLiteral("events"),
                                QStringLiteral("Print the events of the videos in PATH... (files or folders) "
                                               "one a line: file, time, kind and strength, without opening a "
                                               "window."));

int Main(const UCommandRun &Run)
{
    const std::optional<RecordingsCommandInput> input = RecordingsCommandInput::Read(Run);
    if (!input)
        return UCommandExit::Failed;
    QList<UEventRow> rows = UEventRows::Rows(input->Recordings, input->SpeedLimitKmh);
    UEventRows::Sort(rows, UEventRows::Order::Time);
    QString text;
    for (const UEventRow &row : std::as_const(rows)) {
        text += row.VideoPath + u'\t' + UEventRows::TimeText(row.Event.TimeMs) + u'\t'
            + EventKindName(row.Event.Kind) + u'\t' + UEventRows::StrengthNumber(row.Event) + u'\n';
    }
    Run.Print(text);
    return UCommandExit::Done;
}

} // namespace

UCommand EventsCommand()
{
    return {Option, {}, Main};
}

#include "exportgpxcommand.h"

#include "gpslog/gpxexport.h"

#include <QCommandLineParser>

namespace {

const QCommandLineOption Option(QStringLiteral("export-gpx"),
                                QStringLiteral("Write FILE's GPS track (a video or a GPS file) to standard output as "
                                               "GPX 1.1, without opening a window."),
                                QStringLiteral("FILE"));

int Main(const UCommandRun &Run)
{
    const QString file = Run.Absolute(Run.Parser.value(Option));
    QString error;
    if (!GpxExport::Write(file, Run.Out, &error)) {
        Run.Fail(error);
        return UCommandExit::Failed;
    }
    return UCommandExit::Done;
}

} // namespace

UCommand ExportGpxCommand()
{
    return {Option, {}, Main};
}

#include "verifycommand.h"

#include "export/uclipverify.h"

#include <QCommandLineParser>

namespace {

const QCommandLineOption Option(QStringLiteral("verify"),
                                QStringLiteral("Check a folder made by --export-clip: every file its manifest names, "
                                               "by size and SHA-256. Exits 0 when all match, 1 with a line for each "
                                               "file changed or missing."),
                                QStringLiteral("DIR"));

int Main(const UCommandRun &Run)
{
    const UClipVerify::Outcome outcome = UClipVerify::Run(Run.Absolute(Run.Parser.value(Option)));
    if (!outcome.Readable) {
        Run.Fail(outcome.Error);
        return UCommandExit::Failed;
    }
    if (outcome.Problems.isEmpty()) {
        Run.Print(QStringLiteral("all %1 files match\n").arg(outcome.Files));
        return UCommandExit::Done;
    }
    Run.Print(outcome.Problems.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return UCommandExit::Differs;
}

} // namespace

UCommand VerifyCommand()
{
    return {Option, {}, Main};
}

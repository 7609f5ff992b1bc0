// Handing over a clip: the in and out marks of the recording that plays (I,
// O, Shift+I, Shift+O) on the position slider and the map's profile, and
// the export of the marked stretch (Ctrl+E, "Export clip...") into a folder
// the user picks, off the window's thread with its progress over the video.
#include "tracora.h"
#include "tracora_state.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QSlider>
#include <QTableWidget>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/udisplaytick.h"
#include "console/uexportprogress.h"
#include "console/ukeybindings.h"
#include "console/ulistpaging.h"
#include "console/usettingskeys.h"
#include "export/uclipexportjob.h"
#include "playback/uvlcwrapper.h"
#include "widgets/udirectslider.h"
#include "widgets/uoverlaylabel.h"

namespace {

constexpr int ClosingTextMs = 10000;

} // namespace

void Tracora::MarkClip(UKeyAction Action)
{
    const int index = VlcWrapper->GetIndex();
    const int state = VlcWrapper->GetState();
    const QString path = VideoFiles->GetVideoPath(index);
    if (path.isEmpty() || (state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused)) {
        ShowNote(QStringLiteral("Choose a recording first"));
        return;
    }
    if (ClipMarksPath != path) {
        ClipMarks.Clear();
        ClipMarksPath = path;
    }
    const qint64 time = VlcWrapper->GetTime();
    QString text;
    switch (Action) {
    case UKeyAction::MarkIn:
        text = ClipMarks.SetIn(time);
        break;
    case UKeyAction::MarkOut:
        text = ClipMarks.SetOut(time);
        break;
    case UKeyAction::ClearMarkIn:
        text = ClipMarks.ClearIn();
        break;
    case UKeyAction::ClearMarkOut:
        text = ClipMarks.ClearOut();
        break;
    default:
        return;
    }
    ShowNote(text);
    ShowClipMarks(true);
}

void Tracora::ShowClipMarks(bool ToMap)
{
    // Marks belong to the recording they were set on.
    if (!ClipMarks.IsEmpty() && VideoFiles->GetVideoPath(VlcWrapper->GetIndex()) != ClipMarksPath) {
        ClipMarks.Clear();
        ToMap = true;
    }
    if (auto *slider = qobject_cast<UDirectSlider *>(VideoTimeSlider)) {
        const qint64 length = VlcWrapper->GetLength();
        slider->SetMarks(UClipMarks::SliderValue(ClipMarks.In(), length, UDisplayTick::SliderEnd),
                         UClipMarks::SliderValue(ClipMarks.Out(), length, UDisplayTick::SliderEnd));
    }
    if (ToMap)
        RunMapScript(ClipMarks.MapCall());
}

int Tracora::ClipToExport()
{
    const int playing = VlcWrapper->GetIndex();
    if (playing >= 0 && playing < VideoFiles->GetVideoCount())
        return playing;
    return UListPaging::IndexToDelete(Status->CurrentPage, VideoListLeft->currentRow(), VideoListRight->currentRow());
}

void Tracora::ExportClip(int Index)
{
    if (ClipExport->IsRunning()) {
        ShowNote(QStringLiteral("An export is running"));
        return;
    }
    const UCameraFiles cameras = VideoFiles->GetCameras(Index);
    if (cameras.isEmpty()) {
        ShowNote(QStringLiteral("Choose a recording first"));
        return;
    }
    // The marks are those of the recording that plays; any other is
    // exported whole.
    UClipMarks::Range range{0, -1};
    if (Index == VlcWrapper->GetIndex() && VideoFiles->GetVideoPath(Index) == ClipMarksPath)
        range = ClipMarks.RangeOf(VlcWrapper->GetLength());

    const QString video = VideoFiles->GetVideoPath(Index);
    QString start = Settings->value(USettingsKeys::ClipExportFolder()).toString();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QFileInfo(video).absolutePath();
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Export Clip"), start);
    if (folder.isEmpty())
        return;
    Settings->setValue(USettingsKeys::ClipExportFolder(), folder);
    Settings->sync();

    UClipRecording recording;
    recording.Cameras = cameras;
    recording.GpsKind = VideoFiles->GetGpsSourceKind(Index);
    recording.GpsPath = VideoFiles->GetGpsfilePath(Index);
    recording.GpsShiftSeconds = GpsShiftOf(Index);
    UClipRequest request;
    request.Recordings << recording;
    request.FromMs = range.FromMs;
    request.ToMs = range.ToMs;
    request.Folder = folder;
    // An empty folder takes the clip; into any other a folder named after
    // the clip is made.
    request.InNewFolder = !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    request.Program = QStringLiteral("Vialumo");
    request.Version = QStringLiteral(VIALUMO_VERSION);
    request.SpeedText = &UExportProgress::SpeedText;
    if (!ClipExport->Start(request))
        return;
    ExportProgress->ShowText(UExportProgress::RunningText(0));
}

void Tracora::ExportProgressed(int Percent)
{
    if (ClipExport->IsRunning())
        ExportProgress->ShowText(UExportProgress::RunningText(Percent));
}

void Tracora::ExportFinished(const UClipOutcome &Outcome)
{
    if (!Outcome.Done && Outcome.Why != UClipOutcome::Failure::Cancelled)
        qWarning("Vialumo: clip export failed: %s", qPrintable(Outcome.Error));
    ExportProgress->ShowText(UExportProgress::ClosingText(Outcome.Done, Outcome.Why == UClipOutcome::Failure::Cancelled,
                                                          Outcome.Folder, Outcome.Error),
                             ClosingTextMs);
}

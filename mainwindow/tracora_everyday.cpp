// Everyday use: the overlays over the video, what is remembered between
// runs, snapshots, the GPS shift, and the engine kept at the speed, volume
// and mute the user chose.
#include "tracora.h"
#include "tracora_state.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QWebEngineView>

#include <cmath>

#include "catalogue/ufolderimport.h"
#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "console/udisplaytick.h"
#include "console/uimportprogress.h"
#include "console/ukeybindings.h"
#include "console/ulistpaging.h"
#include "console/uplaybacksteps.h"
#include "console/usettingskeys.h"
#include "console/usnapshotname.h"
#include "playback/uvlcwrapper.h"
#include "widgets/udoubleclickedwidget.h"
#include "widgets/uoverlaylabel.h"

namespace {

constexpr int NoteMs = 1500;
constexpr double RateTolerance = 1e-3;

// The keys in two columns side by side: in one the list would be taller
// than the video.
QString KeyHelpText()
{
    const QList<UKeyHelpLine> lines = UKeyBindings::HelpLines();
    const qsizetype half = (lines.size() + 1) / 2;
    QString rows;
    for (qsizetype i = 0; i < half; ++i) {
        rows += QStringLiteral("<tr>");
        for (const qsizetype at : {i, i + half}) {
            if (at >= lines.size())
                continue;
            rows += QStringLiteral("<td style=\"padding-right:8px\"><b>") + lines.at(at).Keys.toHtmlEscaped()
                + QStringLiteral("</b></td><td style=\"padding-right:22px\">") + lines.at(at).Text.toHtmlEscaped()
                + QStringLiteral("</td>");
        }
        rows += QStringLiteral("</tr>");
    }
    return QStringLiteral("<table cellspacing=\"1\">") + rows + QStringLiteral("</table>");
}

} // namespace

void Tracora::BuildEverydayParts()
{
    Settings = new QSettings(QString::fromLatin1(USettingsKeys::Organisation),
                             QString::fromLatin1(USettingsKeys::Application), this);
    FolderImport = new UFolderImport(VideoFiles, this);
    ImportPaintTimer = new QTimer(this);
    ImportPaintTimer->setSingleShot(true);
    ImportPaintTimer->setInterval(UDisplayTick::IntervalMs);
    connect(ImportPaintTimer, &QTimer::timeout, this, [this] {
        if (!FolderImport->IsRunning())
            return;
        ShowImportProgress();
        ImportPaintTimer->start();
    });
    // A search that takes less than a tick shows no "Searching" at all.
    connect(FolderImport, &UFolderImport::Searching, this, [this] {
        ImportDone = 0;
        ImportTotal = -1;
        ImportPaintTimer->start();
    });
    connect(FolderImport, &UFolderImport::Progress, this, &Tracora::ImportProgressed);
    connect(FolderImport, &UFolderImport::Finished, this, &Tracora::ImportFinished);

    KeyHelp = new UOverlayLabel(VideoWindow, UOverlayLabel::Centre, this);
    KeyHelp->setObjectName(QStringLiteral("KeyHelp"));
    Note = new UOverlayLabel(VideoWindow, UOverlayLabel::Top, this);
    Note->setObjectName(QStringLiteral("Note"));
    ImportProgress = new UOverlayLabel(VideoWindow, UOverlayLabel::Bottom, this);
    ImportProgress->setObjectName(QStringLiteral("ImportProgress"));

    setAcceptDrops(true);
    // A file dropped on the map would be opened by the web view in place of the map.
    MapView->setAcceptDrops(false);
    for (QTableWidget *table : {VideoListLeft, VideoListRight}) {
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(table, &QWidget::customContextMenuRequested, this,
                [this, table](const QPoint &position) { ShowListMenu(table, position); });
    }
    // Keys act on the window whichever of its widgets has the focus.
    qApp->installEventFilter(this);
}

void Tracora::ShowNote(const QString &Text, int Milliseconds)
{
    Note->ShowText(Text, Milliseconds > 0 ? Milliseconds : NoteMs);
}

void Tracora::ToggleKeyHelp()
{
    if (KeyHelp->isVisible())
        KeyHelp->hide();
    else
        KeyHelp->ShowText(KeyHelpText());
}

void Tracora::KeepEngineInStep()
{
    if (VlcWrapper->GetState() != UVlcWrapper::StatePlaying)
        return;
    // The engine's sound output comes with each recording at the engine's
    // own level; the slider says what it is to be.
    const int volume = VideoVolumnSlider->value();
    if (VlcWrapper->GetVolume() != volume)
        VlcWrapper->SetVolume(volume);
    const int mute = VlcWrapper->GetMute();
    if (mute >= 0 && (mute != 0) != Muted)
        VlcWrapper->SetMute(Muted);
    if (std::abs(VlcWrapper->GetRate() - PlaybackRate) > RateTolerance)
        VlcWrapper->SetRate(PlaybackRate);
}

void Tracora::SeekBy(qint64 DeltaMs)
{
    const int state = VlcWrapper->GetState();
    if (state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused)
        return;
    VlcWrapper->SetTime(UPlaybackSteps::SeekTarget(VlcWrapper->GetTime(), DeltaMs, VlcWrapper->GetLength()));
}

void Tracora::StepVolume(int Delta)
{
    const int volume = UPlaybackSteps::StepVolume(VideoVolumnSlider->value(), Delta);
    VideoVolumnSlider->setValue(volume);
    VlcWrapper->SetVolume(volume);
    ShowNote(QStringLiteral("Volume %1").arg(volume));
}

void Tracora::ToggleMute()
{
    Muted = !Muted;
    VlcWrapper->SetMute(Muted);
    ShowNote(Muted ? QStringLiteral("Muted") : QStringLiteral("Sound on"));
}

void Tracora::StepRate(int Steps)
{
    PlaybackRate = UPlaybackSteps::StepRate(PlaybackRate, Steps);
    VlcWrapper->SetRate(PlaybackRate);
    ShowNote(UPlaybackSteps::RateText(PlaybackRate));
}

void Tracora::StepFrame(int Frames)
{
    if (VlcWrapper->GetState() != UVlcWrapper::StatePaused) {
        ShowNote(QStringLiteral("Frames step while paused"));
        return;
    }
    if (Frames > 0) {
        VlcWrapper->NextFrame();
        return;
    }
    unsigned num = 0;
    unsigned den = 0;
    VlcWrapper->GetFrameRate(&num, &den);
    VlcWrapper->SetTime(UPlaybackSteps::FrameBackTarget(VlcWrapper->GetTime(), num, den));
}

void Tracora::TakeSnapshot()
{
    const int state = VlcWrapper->GetState();
    const int index = VlcWrapper->GetIndex();
    if ((state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused) || index < 0
        || index >= VideoFiles->GetVideoCount()) {
        ShowNote(QStringLiteral("No picture to save"));
        return;
    }
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
                               .filePath(QString::fromLatin1(USnapshotName::FolderName));
    if (!QDir().mkpath(folder)) {
        ShowNote(QStringLiteral("Cannot make ") + QDir::toNativeSeparators(folder));
        return;
    }
    const QString base = USnapshotName::BaseName(VideoFiles->GetVideoPath(index), VlcWrapper->GetTime());
    const QString path
        = USnapshotName::FreePath(folder, base, [](const QString &candidate) { return QFileInfo::exists(candidate); });
    if (path.isEmpty() || !VlcWrapper->TakeSnapshot(path)) {
        qWarning("Vialumo: no snapshot could be written to %s", qPrintable(QDir::toNativeSeparators(folder)));
        ShowNote(QStringLiteral("No snapshot: the video gave no picture"));
        return;
    }
    ShowNote(QStringLiteral("Snapshot saved: ") + QFileInfo(path).fileName());
}

int Tracora::GpsShiftOf(int Index)
{
    const QString path = VideoFiles->GetVideoPath(Index);
    if (path.isEmpty())
        return 0;
    const auto known = GpsShifts.constFind(path);
    if (known != GpsShifts.constEnd())
        return *known;
    const int shift = Settings->value(USettingsKeys::GpsShift(UFolderSearch::IdentityOf(path)), 0).toInt();
    GpsShifts.insert(path, shift);
    return shift;
}

void Tracora::StepGpsShift(int Delta)
{
    const int index = VlcWrapper->GetIndex();
    const QString path = VideoFiles->GetVideoPath(index);
    if (path.isEmpty()) {
        ShowNote(QStringLiteral("Choose a recording first"));
        return;
    }
    const int shift = UPlaybackSteps::StepGpsShift(GpsShiftOf(index), Delta);
    GpsShifts.insert(path, shift);
    const QString key = USettingsKeys::GpsShift(UFolderSearch::IdentityOf(path));
    if (shift == 0)
        Settings->remove(key);
    else
        Settings->setValue(key, shift);
    Settings->sync();
    ShowNote(UPlaybackSteps::GpsShiftText(shift));
}

// The parts built for everyday use: the overlays over the video (key help,
// notes, import progress), the settings remembered between runs, drops and
// the list's menu, and the keys caught for the whole window.
#include "tracora.h"
#include "tracora_state.h"

#include <QApplication>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <QWebEngineView>

#include "catalogue/ufolderimport.h"
#include "export/uclipexportjob.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "console/udisplaytick.h"
#include "console/ukeybindings.h"
#include "console/usettingskeys.h"
#include "widgets/udoubleclickedwidget.h"
#include "widgets/uoverlaylabel.h"

namespace {

constexpr int NoteMs = 1500;

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
    connect(VideoFiles, &UVideoAndGpsfiles::CamerasChanged, this, &Tracora::CamerasJoined);

    KeyHelp = new UOverlayLabel(VideoWindow, UOverlayLabel::Centre, this);
    KeyHelp->setObjectName(QStringLiteral("KeyHelp"));
    Note = new UOverlayLabel(VideoWindow, UOverlayLabel::Top, this);
    Note->setObjectName(QStringLiteral("Note"));
    ImportProgress = new UOverlayLabel(VideoWindow, UOverlayLabel::Bottom, this);
    ImportProgress->setObjectName(QStringLiteral("ImportProgress"));
    ExportProgress = new UOverlayLabel(VideoWindow, UOverlayLabel::Bottom, this);
    ExportProgress->setObjectName(QStringLiteral("ExportProgress"));
    ClipExport = new UClipExportJob(this);
    connect(ClipExport, &UClipExportJob::Progress, this, &Tracora::ExportProgressed);
    connect(ClipExport, &UClipExportJob::Finished, this, &Tracora::ExportFinished);

    setAcceptDrops(true);
    // A file dropped on the map would be opened by the web view in place of the map.
    MapView->setAcceptDrops(false);
    for (QTableWidget *table : {VideoListLeft, VideoListRight}) {
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(table, &QWidget::customContextMenuRequested, this,
                [this, table](const QPoint &position) { ShowListMenu(table, position); });
    }
    BuildUnitParts();
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

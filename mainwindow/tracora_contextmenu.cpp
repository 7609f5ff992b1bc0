// The list's right-click menu: Play, Show in folder, Export GPX..., Export
// clip..., Remove from list on a row, and Import folder... anywhere on the
// tables.
#include "tracora.h"
#include "tracora_state.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>
#include <QTableWidget>
#include <QUrl>

#include "catalogue/ucameragroups.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "console/ulistpaging.h"
#include "console/usettingskeys.h"
#include "gpslog/gpxexport.h"

namespace {

const QString GpxSuffix = QStringLiteral("gpx");

} // namespace

void Tracora::ShowListMenu(QTableWidget *Table, const QPoint &Position)
{
    const UListTable side = Table == VideoListLeft ? UListTable::Left : UListTable::Right;
    QTableWidget *other = Table == VideoListLeft ? VideoListRight : VideoListLeft;
    const int row = Table->rowAt(Position.y());
    const int index = row >= 0 ? UListPaging::IndexAt(Status->CurrentPage, side, row) : -1;

    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ListMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [menu](const QString &text, const char *name) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    if (index >= 0 && index < VideoFiles->GetVideoCount()) {
        // The row becomes the selected one, as a click makes it.
        Table->setCurrentCell(row, 0);
        other->setCurrentCell(-1, -1);
        connect(add(tr("Play"), "ListMenuPlay"), &QAction::triggered, this, [this, index] { LoadMapToPlay(index); });
        connect(add(tr("Show in folder"), "ListMenuShowInFolder"), &QAction::triggered, this,
                [this, index] { ShowInFolder(index); });
        connect(add(tr("Export GPX..."), "ListMenuExportGpx"), &QAction::triggered, this,
                [this, index] { ExportGpx(index); });
        connect(add(tr("Export clip..."), "ListMenuExportClip"), &QAction::triggered, this,
                [this, index] { ExportClip(index); });
        connect(add(tr("Remove from list"), "ListMenuRemove"), &QAction::triggered, this, [this, Table, other, row] {
            Table->setCurrentCell(row, 0);
            other->setCurrentCell(-1, -1);
            DeleteFile();
        });
        menu->addSeparator();
    }
    connect(add(tr("Import folder..."), "ListMenuImportFolder"), &QAction::triggered, this, &Tracora::ImportFolder);
    menu->popup(Table->viewport()->mapToGlobal(Position));
}

void Tracora::ShowInFolder(int Index)
{
    // The folder that holds every camera's file: a recorder that keeps each
    // camera in a folder of its own has them side by side in it.
    const QString folder = UCameraGroups::SharedFolder(VideoFiles->GetCameras(Index));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        ShowNote(QStringLiteral("No file manager opened ") + QDir::toNativeSeparators(folder));
}

void Tracora::ExportGpx(int Index)
{
    const QString video = VideoFiles->GetVideoPath(Index);
    if (video.isEmpty())
        return;
    QString folder = Settings->value(USettingsKeys::ExportFolder()).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QFileInfo(video).absolutePath();
    const QString suggested = QDir(folder).filePath(QFileInfo(video).completeBaseName() + QLatin1Char('.') + GpxSuffix);
    QString target = QFileDialog::getSaveFileName(this, tr("Export GPX"), suggested, tr("GPX files (*.gpx)"));
    if (target.isEmpty())
        return;
    if (QFileInfo(target).suffix().isEmpty())
        target += QLatin1Char('.') + GpxSuffix;
    Settings->setValue(USettingsKeys::ExportFolder(), QFileInfo(target).absolutePath());
    Settings->sync();

    // Written whole or not at all: a failed export leaves no half document
    // and keeps a file that was there before.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        ShowNote(QStringLiteral("Cannot write ") + QDir::toNativeSeparators(target));
        return;
    }
    // The source chosen on import is the recording's GPS.
    QString error;
    if (!GpxExport::Write(VideoFiles->GetGpsSource(Index), out, &error)) {
        out.cancelWriting();
        ShowNote(QStringLiteral("No GPX written: ") + error);
        return;
    }
    if (!out.commit()) {
        ShowNote(QStringLiteral("Cannot write ") + QDir::toNativeSeparators(target));
        return;
    }
    ShowNote(QStringLiteral("GPX saved: ") + QFileInfo(target).fileName());
}

void Tracora::ImportFolder()
{
    QString start = Settings->value(USettingsKeys::ImportFolder()).toString();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Import Folder"), start);
    if (folder.isEmpty())
        return;
    Settings->setValue(USettingsKeys::ImportFolder(), folder);
    Settings->sync();
    ImportPaths({folder});
}

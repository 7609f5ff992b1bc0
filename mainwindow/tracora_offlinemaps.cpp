// Map tiles without a network: the tile service behind the map pages' own
// URL scheme, the user's offline maps (remembered between runs, added from
// the map's right-click menu or the command line), and that menu.
#include "tracora.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "console/usettingskeys.h"
#include "mainwindow/utileschemehandler.h"
#include "tiles/uofflinemap.h"
#include "tiles/utilescheme.h"
#include "tiles/utileservice.h"

namespace {

// A problem with a map file takes longer to read than a confirmation.
constexpr int MapProblemNoteMs = 6000;
const QString MapFileFilter = QStringLiteral("Offline maps (*.mbtiles *.pmtiles);;All files (*)");

} // namespace

void Tracora::BuildTileParts(const QByteArray &UserAgent)
{
    UTileService::Options options;
    options.UserAgent = UserAgent;
    TileService = new UTileService(options, this);
    TileSchemeHandler = new UTileSchemeHandler(TileService, this);
    QWebEngineProfile *profile = MapView->page()->profile();
    const QByteArray scheme = UTileScheme::Name().toLatin1();
    // The profile is shared: a handler of an earlier window gives way.
    if (profile->urlSchemeHandler(scheme))
        profile->removeUrlScheme(scheme);
    profile->installUrlSchemeHandler(scheme, TileSchemeHandler);

    const QString note = OfflineMaps.Restore(Settings->value(USettingsKeys::OfflineMaps()).toStringList());
    ApplyOfflineMaps();
    if (!note.isEmpty())
        ShowNote(note, MapProblemNoteMs);

    // The program's menu over the map in place of the web engine's: a right
    // press over the map is taken before the page sees it (the online map
    // keeps its own menu from showing), any other request comes here too.
    MapView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MapView, &QWidget::customContextMenuRequested, this, &Tracora::ShowMapMenu);
}

bool Tracora::HandleMapPointer(QObject *Watched, QEvent *Event)
{
    if (Event->type() != QEvent::MouseButtonPress && Event->type() != QEvent::MouseButtonRelease
        && Event->type() != QEvent::MouseButtonDblClick)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(Event);
    if (mouse->button() != Qt::RightButton || !MapView || !Watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(Watched);
    if (widget != MapView && !MapView->isAncestorOf(widget))
        return false;
    if (Event->type() == QEvent::MouseButtonPress)
        ShowMapMenu(MapView->mapFromGlobal(mouse->globalPosition().toPoint()));
    return true;
}

void Tracora::ShowMapMenu(const QPoint &Position)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("MapMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *add = menu->addAction(tr("Add offline map..."));
    add->setObjectName(QStringLiteral("MapMenuAddOfflineMap"));
    connect(add, &QAction::triggered, this, &Tracora::AddOfflineMap);
    QMenu *remove = menu->addMenu(tr("Remove offline map"));
    remove->setObjectName(QStringLiteral("MapMenuRemoveOfflineMap"));
    const QStringList paths = OfflineMaps.Paths();
    for (const QString &path : paths) {
        QAction *action = remove->addAction(QFileInfo(path).fileName());
        action->setToolTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { RemoveOfflineMap(path); });
    }
    remove->setEnabled(!paths.isEmpty());
    menu->popup(MapView->mapToGlobal(Position));
}

void Tracora::AddOfflineMap()
{
    QString start = Settings->value(USettingsKeys::OfflineMapFolder()).toString();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    const QString file = QFileDialog::getOpenFileName(this, tr("Add Offline Map"), start, MapFileFilter);
    if (file.isEmpty())
        return;
    Settings->setValue(USettingsKeys::OfflineMapFolder(), QFileInfo(file).absolutePath());
    AddOfflineMaps({file});
}

void Tracora::AddOfflineMaps(const QStringList &Paths)
{
    QStringList notes;
    bool problem = false;
    for (const QString &path : Paths) {
        bool opened = false;
        notes << OfflineMaps.Add(path, &opened);
        problem = problem || !opened;
    }
    ApplyOfflineMaps();
    ShowNote(notes.join(QLatin1Char('\n')), problem ? MapProblemNoteMs : 0);
}

void Tracora::RemoveOfflineMap(const QString &Path)
{
    const QString note = OfflineMaps.Remove(Path);
    ApplyOfflineMaps();
    if (!note.isEmpty())
        ShowNote(note);
}

void Tracora::ApplyOfflineMaps()
{
    TileService->SetOfflineMaps(OfflineMaps.Maps());
    Settings->setValue(USettingsKeys::OfflineMaps(), OfflineMaps.Paths());
    Settings->sync();
}

#ifndef TRACORA_H
#define TRACORA_H

#include <QHash>
#include <QTimeZone>
#include <QWidget>

#include "console/ulistpaging.h"
#include "catalogue/ucamerafile.h"
#include "console/uclipmarks.h"
#include "console/umapbridge.h"
#include "console/umaproute.h"
#include "console/uspeedunit.h"
#include "tiles/uofflinemaplist.h"

class QDragEnterEvent;
class QDropEvent;
class QGraphicsView;
class QKeyEvent;
class QLabel;
class QPushButton;
class QSlider;
class QTableWidget;
class QTimer;
class QWebChannel;
class QSettings;
class QWebEngineView;
class GpsLogData;
class NcFramelessHelper;
class UDoubleClickedWidget;
struct UDisplayReading;
class UEventIndex;
class QComboBox;
class QSpinBox;
class QTabWidget;
struct UDisplayStep;
class UFolderImport;
class UOverlayLabel;
struct UImportSummary;
struct UKeyBinding;
enum class UKeyAction;
class UClipExportJob;
struct UClipOutcome;
class USpeedMeter;
class UTileSchemeHandler;
class UTileService;
class UPlaybackGroup;
class UVideoAndGpsfiles;
class UVideoTiles;
class UVlcWrapper;

// The player's only top-level window: a frameless widget holding every
// control at absolute coordinates, the playback engine, the catalogue of
// recordings and the GPS log reader.
class Tracora : public QWidget
{
    Q_OBJECT
public:
    explicit Tracora(QWidget *parent = nullptr);
    ~Tracora() override;

    // Settings the process needs before the QApplication exists.
    static void PrepareApplication();

    // Play time as hh:mm:ss (more hour digits from 100 hours on).
    static QString FormatPlayTime(qint64 Milliseconds);

    // The window's state record.
    class DisplayWindowStatus : public QWidget
    {
    public:
        qint32 WindowFull = 0;
        qint32 CurrentPage = 0;
        qint32 PlayStatus = 0;
    };

    // Files and folders from the command line, a drop or "Import folder...":
    // folders are searched for videos, everything is rated off the GUI
    // thread, and files already in the list are not added again.
    void ImportPaths(const QStringList &Paths);

    // Opens map files (MBTiles, PMTiles) and remembers them among the
    // offline maps the map draws its tiles from; a note tells what came of it.
    void AddOfflineMaps(const QStringList &Paths);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void MaxWindow();
    void SwitchPlaybuttonAndPausebutton();
    void LoadMapToPlay(int Index);
    void LoadedToPaly(bool OK);
    void OpenFiles();
    void DeleteFile();
    void ListTableClearSelecttionLeft();
    void ListTableClearSelecttionRight();
    void ListTablePlayVideoLeft(int row, int column);
    void ListTablePlayVideoRight(int row, int column);
    void ListTablePreviousPage();
    void ListTableNextPage();
    void ListTableUpdate();
    void PlayNext();
    void PlayPrevious();
    void UpdateUIData();
    void NotConnectedTimerHandler();
    void fullscreen();
    void MapRendererGone();

private:
    void BuildWidgetTree();
    void SetUpListTable(QTableWidget *table);
    void FillTable(QTableWidget *table, UListTable side, int page);
    void ConnectSignals();
    void RelayoutChildren();
    void SetWindowFace();
    void ShowMapPage(const QString &page);
    void RunMapScript(const QString &script);
    void ApplyMapStep(const UMapStep &Step);

    // Everyday use: keys, drops and folder imports, the list's menu,
    // snapshots, the GPS shift, what is remembered between runs.
    void BuildEverydayParts();
    bool HandleKey(const QKeyEvent *Event);
    void RunKey(const UKeyBinding &Binding);
    void SeekBy(qint64 DeltaMs);
    void StepVolume(int Delta);
    void ToggleMute();
    void StepRate(int Steps);
    void StepFrame(int Frames);
    void TakeSnapshot();
    void StepGpsShift(int Delta);
    int GpsShiftOf(int Index);
    void PlaySelectedRow();
    void EscapeKey();
    void ToggleKeyHelp();
    // A short note over the video, for Milliseconds (0: the usual while).
    void ShowNote(const QString &Text, int Milliseconds = 0);
    void ShowListMenu(QTableWidget *Table, const QPoint &Position);
    void ShowInFolder(int Index);
    void ExportGpx(int Index);
    void ImportFolder();
    void ImportProgressed(qint64 Done, qint64 Total, int FirstNewIndex, int NewCount);
    void ImportFinished(const UImportSummary &Summary);
    void ShowImportProgress();
    void CamerasJoined(int Index);

    // The cameras of a recording played together (tracora_cameras.cpp).
    void BuildCameraParts();
    void PrepareCameras(int Index);
    void HideCameras();
    void ShowCameraFaces();
    void NextCameraLayout();

    // Clips (tracora_export.cpp): the marks of the recording that plays and
    // the export of the marked stretch.
    void MarkClip(UKeyAction Action);
    void ShowClipMarks(bool ToMap);
    int ClipToExport();
    void ExportClip(int Index);
    void ExportProgressed(int Percent);
    void ExportFinished(const UClipOutcome &Outcome);

    int PlayButtonState;
    int MaxButtonState;
    NcFramelessHelper *FramelessHelper;
    QWidget *HeaderLeft;
    QWidget *HeaderCenter;
    QWidget *HeaderRight;
    UDoubleClickedWidget *VideoWindow;
    QWebEngineView *MapView;
    QSlider *VideoTimeSlider;
    QSlider *VideoVolumnSlider;
    QGraphicsView *AudioIndicator;
    QGraphicsView *CarPosition;
    QLabel *CarPositionNumber;
    QTableWidget *VideoListLeft;
    QTableWidget *VideoListRight;
    USpeedMeter *CarSpeedMeter;
    QPushButton *VideoPre;
    QPushButton *VideoNext;
    QPushButton *VideoPlay;
    QPushButton *VideoStop;
    QPushButton *VideoListPrePage;
    QPushButton *VideoListNextPage;
    QPushButton *VideoListItemImport;
    QPushButton *VideoListItemDelete;
    QPushButton *WindowMin;
    QPushButton *WindowMax;
    QPushButton *WindowClose;
    QLabel *VideoTimeLabel;
    DisplayWindowStatus *Status;
    UVlcWrapper *VlcWrapper;
    QTimer *UpdateUIDataTimer;
    QTimer *NotConnectedTimer;
    UVideoAndGpsfiles *VideoFiles;
    GpsLogData *GpsLog;

    // Which answers of the map page still belong to the current choice.
    UMapBridge MapBridge;

    // The route on the online map and seeking from it (tracora_routemap.cpp).
    void AttachMapChannel();
    void ShowRoute();
    void SeekFromMap(int Second);
    void ApplyDisplaySteps(const QList<UDisplayStep> &Steps);
    QWebChannel *MapChannel = nullptr;
    UMapRoute RouteMap;
    // True while the end of a recording leads to the next one.
    bool ChoosingByAutoplay = false;
    UFolderImport *FolderImport = nullptr;
    UOverlayLabel *KeyHelp = nullptr;
    UOverlayLabel *Note = nullptr;
    UOverlayLabel *ImportProgress = nullptr;
    UOverlayLabel *ExportProgress = nullptr;
    UClipExportJob *ClipExport = nullptr;
    UClipMarks ClipMarks;
    // The video the marks were set on.
    QString ClipMarksPath;
    QSettings *Settings = nullptr;
    // The import's progress reaches the screen at most once per display
    // tick: every repaint of the window holds up its event loop.
    QTimer *ImportPaintTimer = nullptr;
    qint64 ImportDone = 0;
    qint64 ImportTotal = 0;
    int ImportNewFirst = -1; // the entries added since the last showing
    int ImportNewEnd = -1;
    bool ImportJoinedShown = false; // a recording of the page shown took a camera
    // Every camera's player, and what applies to all of them (speed,
    // volume, mute, pause), kept across recordings.
    UPlaybackGroup *PlaybackGroup = nullptr;
    // The tiles of a recording's cameras in the video surface, and the
    // cameras they show (the front first; one: no tiles).
    UVideoTiles *Tiles = nullptr;
    UCameraFiles ShownCameras;
    // The recording about to play was chosen by autoplay.
    bool CamerasByAutoplay = false;
    // GPS shifts in seconds by video path as listed, read from the settings once.
    QHash<QString, int> GpsShifts;

    // Map tiles without a network (tracora_offlinemaps.cpp).
    void BuildTileParts(const QByteArray &UserAgent);
    bool HandleMapPointer(QObject *Watched, QEvent *Event);
    void ShowMapMenu(const QPoint &Position);
    void AddOfflineMap();
    void RemoveOfflineMap(const QString &Path);
    void ApplyOfflineMaps();
    UTileService *TileService = nullptr;
    UTileSchemeHandler *TileSchemeHandler = nullptr;
    UOfflineMapList OfflineMaps;

    // Speeds and local times (tracora_units.cpp).
    void BuildUnitParts();
    void ShowSpeedUnitMenu(const QPoint &Position);
    void SetSpeedUnit(USpeedUnit::Kind Unit);
    // The calls that tell a map page the unit and the tiles on this computer.
    QStringList MapSettingsCalls();
    void ShowPlayTimeTooltip(const UDisplayReading &Reading);
    // "Recorded <local time> · <UTC>" for a recording of the list.
    QString RecordedText(int Index) const;
    USpeedUnit::Kind SpeedUnit = USpeedUnit::Kmh;
    QTimeZone LocalZone;
    // The events of every recording and the trips (tracora_events.cpp):
    // the Events view, E and Shift+E, the marks and the trip on the map.
    void BuildEventsParts();
    void StepEvent(int Direction);
    void ToggleEventsView();
    bool IsEventsViewWidget(const QObject *Object) const;
    void RefreshEventsView();
    void PlayMoment(int Index, qint64 Milliseconds);
    void ApplyPendingMoment();
    void ShowEventMarks(bool RouteShown);
    void SeekToRecordingFromMap(int Recording, int Second);
    double SpeedLimitKmh() const;
    UEventIndex *EventIndex = nullptr;
    QWidget *EventsView = nullptr;
    QTabWidget *EventsTabs = nullptr;
    QTableWidget *EventsTable = nullptr;
    QTableWidget *TripsTable = nullptr;
    QComboBox *EventsOrder = nullptr;
    QSpinBox *SpeedLimit = nullptr;
    QLabel *EventsSummary = nullptr;
    QTimer *EventsRefreshTimer = nullptr;
    QTimer *MomentTimer = nullptr;
    // A recording chosen to be played from a moment, until the engine plays it.
    int MomentIndex = -1;
    qint64 MomentMs = 0;
    int MomentTries = 0;
    // The recording whose route the map shows, waiting for its events.
    int MarksWaitingIndex = -1;
};

#endif // TRACORA_H

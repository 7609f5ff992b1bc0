#include "tracora.h"
#include "tracora_state.h"

#include <QApplication>
#include <QDir>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "catalogue/ufolderimport.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "console/ulistpaging.h"
#include "console/umapbridge.h"
#include "gpslog/gpslogdata.h"
#include "mainwindow/utileschemehandler.h"
#include "mainwindow/unamecelldelegate.h"
#include "playback/enginememory.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"
#include "widgets/ncframelesshelper.h"
#include "widgets/udirectslider.h"
#include "widgets/udoubleclickedwidget.h"
#include "widgets/uspeedmeter.h"

bool VideoFullScreen = false;
bool GpsTrackLoaded = false;

namespace {

constexpr int MinimumWidth = 955;
constexpr int MinimumHeight = 670;
constexpr int VideoMinimumWidth = 640;
constexpr int VideoMinimumHeight = 360;
constexpr int TableRowHeight = 20;
constexpr int TableColumnWidth = 80;
constexpr int TableColumns = 4;

// The tile service asks applications to name themselves.
const QString MapUserAgent = QStringLiteral("Vialumo/" VIALUMO_VERSION);

} // namespace

void Tracora::PrepareApplication()
{
    // libvlc 3 can only draw into X11 windows: on a Wayland session run
    // through XWayland unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qgetenv("XDG_SESSION_TYPE") == "wayland")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // The web view is composed into the window with OpenGL.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Only the video surface needs a native window of its own.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // Before the first thread: recordings played one after another would
    // otherwise spread their freed memory over ever more allocator arenas.
    EngineMemory::LimitArenas();
    // The web engine learns of the program's own URL schemes before it starts.
    UTileSchemeHandler::RegisterScheme();
}

Tracora::Tracora(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    VideoFullScreen = false;
    GpsTrackLoaded = false;

    BuildWidgetTree();
    ConnectSignals();
    BuildEverydayParts();
    BuildTileParts(MapUserAgent.toLatin1());
    BuildCameraParts();
    BuildEventsParts();
}

Tracora::~Tracora()
{
    // No key may reach a window that is going, and no import its catalogue.
    qApp->removeEventFilter(this);
    delete FolderImport;
    FolderImport = nullptr;
    UpdateUIDataTimer->stop();
    NotConnectedTimer->stop();
    // Any answer the map page still owes belongs to no choice any more.
    MapBridge.DropPendingAnswers();
    // The engine must let go of the video surface while its X window exists;
    // the other cameras' players run on its engine and go first.
    delete PlaybackGroup;
    PlaybackGroup = nullptr;
    delete VlcWrapper;
    VlcWrapper = nullptr;
    delete MapView;
    MapView = nullptr;
    delete GpsLog;
    delete Status;
    // The helper is dropped once the window is gone, so that it does not hand a
    // closing window its frame back.
    NcFramelessHelper *helper = FramelessHelper;
    connect(this, &QObject::destroyed, [helper] { delete helper; });
}

void Tracora::closeEvent(QCloseEvent *event)
{
    // The engine lets go of its picture while the video surface is still on
    // the screen: stopped after the window has gone, its video output asks
    // the X server about a window that is no longer shown.
    UpdateUIDataTimer->stop();
    PlaybackGroup->Stop();
    VlcWrapper->Stop();
    QWidget::closeEvent(event);
}

void Tracora::BuildWidgetTree()
{
    FramelessHelper = new NcFramelessHelper;
    FramelessHelper->watchWindow(this);
    PlayButtonState = 1;
    MaxButtonState = 1;

    setWindowIcon(QIcon(QStringLiteral(":/images/Video_Play.png")));
    setWindowTitle(QStringLiteral("Vialumo"));

    setMinimumSize(MinimumWidth, MinimumHeight);
    QRect desktop;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        desktop = screen->geometry();
    setGeometry((desktop.width() - MinimumWidth) / 2, (desktop.height() - MinimumHeight) / 2,
                MinimumWidth, MinimumHeight);

    VlcWrapper = new UVlcWrapper(this);
    PlaybackGroup = new UPlaybackGroup(VlcWrapper, this);
    UpdateUIDataTimer = new QTimer(this);
    UpdateUIDataTimer->setObjectName(QStringLiteral("UpdateUIDataTimer"));
    NotConnectedTimer = new QTimer(this);
    NotConnectedTimer->setObjectName(QStringLiteral("NotConnectedTimer"));
    VideoFiles = new UVideoAndGpsfiles(this);

    HeaderLeft = new QWidget(this);
    HeaderLeft->setObjectName(QStringLiteral("Header_Left"));
    HeaderCenter = new QWidget(this);
    HeaderCenter->setObjectName(QStringLiteral("Header_Center"));
    HeaderRight = new QWidget(this);
    HeaderRight->setObjectName(QStringLiteral("Header_Right"));

    MapView = new QWebEngineView(this);
    MapView->setObjectName(QStringLiteral("GoogleMap"));
    // file:// pages may not reach the tile server unless allowed to.
    MapView->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    MapView->page()->profile()->setHttpUserAgent(MapUserAgent);
    MapView->setVisible(true);
    MapView->setUrl(QUrl());

    // A click on a slider's groove moves the engine too (a plain slider would
    // move only its thumb), so the thumb never shows a place the video is not at.
    VideoTimeSlider = new UDirectSlider(Qt::Horizontal, this);
    VideoTimeSlider->setObjectName(QStringLiteral("VideoTimeSlider"));
    VideoVolumnSlider = new UDirectSlider(Qt::Horizontal, this);
    VideoVolumnSlider->setObjectName(QStringLiteral("VideoVolumnSlider"));

    AudioIndicator = new QGraphicsView(this);
    AudioIndicator->setObjectName(QStringLiteral("AudioIndicator"));
    CarPosition = new QGraphicsView(this);
    CarPosition->setObjectName(QStringLiteral("CarPosition"));
    CarPositionNumber = new QLabel(this);
    CarPositionNumber->setObjectName(QStringLiteral("CarPositionNumber"));

    VideoListLeft = new QTableWidget(UListPaging::TableRows, TableColumns, this);
    VideoListLeft->setObjectName(QStringLiteral("VideoListLeft"));
    VideoListRight = new QTableWidget(UListPaging::TableRows, TableColumns, this);
    VideoListRight->setObjectName(QStringLiteral("VideoListRight"));
    const QStringList headers = {QStringLiteral("File Name"), QStringLiteral("Date"),
                                 QStringLiteral("Time"), QStringLiteral("GPS File")};
    VideoListLeft->setHorizontalHeaderLabels(headers);
    VideoListRight->setHorizontalHeaderLabels(headers);
    for (int row = 0; row < UListPaging::TableRows; ++row) {
        for (int column = 0; column < TableColumns; ++column) {
            VideoListLeft->setItem(row, column, new QTableWidgetItem);
            VideoListRight->setItem(row, column, new QTableWidgetItem);
        }
    }
    SetUpListTable(VideoListLeft);
    SetUpListTable(VideoListRight);
    VideoListLeft->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    VideoListRight->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    CarSpeedMeter = new USpeedMeter(this);
    CarSpeedMeter->setObjectName(QStringLiteral("CarSpeedMeter"));

    auto makeButton = [this](const char *name) {
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(name));
        return button;
    };
    VideoPre = makeButton("VideoPre");
    VideoNext = makeButton("VideoNext");
    VideoPlay = makeButton("VideoPlay");
    VideoStop = makeButton("VideoStop");
    VideoListPrePage = makeButton("VideoListPrePage");
    VideoListNextPage = makeButton("VideoListNextPage");
    VideoListItemImport = makeButton("VideoListItemImport");
    VideoListItemDelete = makeButton("VideoListItemDelete");
    WindowMin = makeButton("WindowMin");
    WindowMax = makeButton("WindowMax");
    WindowClose = makeButton("WindowClose");

    VideoTimeLabel = new QLabel(QStringLiteral("00:00:00/00:00:00"), this);
    VideoTimeLabel->setObjectName(QStringLiteral("VideoTime"));

    // Created last so that it lies above every other child: video full
    // screen relies on that.
    VideoWindow = new UDoubleClickedWidget(this);
    VideoWindow->setObjectName(QStringLiteral("VideoWindow"));
    VideoWindow->setWindowFlags(Qt::FramelessWindowHint);
    // The web view makes the window compose itself with OpenGL, and the video
    // surface, a native child window, is flushed by the same compositor: its
    // window must be an OpenGL surface too, or its face is never drawn. An
    // OpenGL child (never shown) is what makes Qt create it so. That is
    // needed on X11 only, where the engine draws into the surface; and where
    // the platform has no OpenGL (Qt's shared context could not be made),
    // such a child would crash the first flush: the window then composes
    // without it. (Qt's offscreen platform crashes on it even with OpenGL.)
    const QOpenGLContext *sharedContext = QOpenGLContext::globalShareContext();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        qWarning("Vialumo: the video surface is no X11 window on the %s platform; the video shows in the "
                 "engine's own window, if at all",
                 qPrintable(QGuiApplication::platformName()));
    } else if (sharedContext && sharedContext->isValid()) {
        auto *surfaceKind = new QOpenGLWidget(VideoWindow);
        surfaceKind->setGeometry(0, 0, 0, 0);
        surfaceKind->hide();
    } else {
        qWarning("Vialumo: this X server offers no OpenGL; the window is drawn without it");
    }

    GpsLog = new GpsLogData;
    Status = new DisplayWindowStatus;

    ShowMapPage(UMapBridge::PageOf(UMapBridge::StartPage));

    // The frameless helper needs mouse moves without a pressed button.
    setAttribute(Qt::WA_MouseTracking);
    HeaderLeft->setAttribute(Qt::WA_MouseTracking);
    HeaderCenter->setAttribute(Qt::WA_MouseTracking);
    HeaderRight->setAttribute(Qt::WA_MouseTracking);

    RelayoutChildren();
}

void Tracora::SetUpListTable(QTableWidget *table)
{
    for (int row = 0; row < UListPaging::TableRows; ++row)
        table->setRowHeight(row, TableRowHeight);
    // The last column too: a stretched last section never gets narrower than
    // its width before stretching (Qt's default of 100), and 3 x 80 + 100 does
    // not fit the table, whose horizontal scroll bar would then cover its last row.
    for (int column = 0; column < TableColumns; ++column)
        table->setColumnWidth(column, TableColumnWidth);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->setVisible(false);
    table->setGridStyle(Qt::DashDotDotLine);
    table->setItemDelegateForColumn(0, new UNameCellDelegate(table));
}

void Tracora::ConnectSignals()
{
    connect(VideoPlay, &QPushButton::clicked, this, &Tracora::SwitchPlaybuttonAndPausebutton);
    connect(WindowMax, &QPushButton::clicked, this, &Tracora::MaxWindow);
    connect(WindowClose, &QPushButton::clicked, this, &QWidget::close);
    connect(WindowMin, &QPushButton::clicked, this, &QWidget::showMinimized);

    // The engine draws only into X11 windows; elsewhere the surface is not
    // made native, since its window would be of no use to the engine.
    const QString platform = QGuiApplication::platformName();
    VlcWrapper->SetVideoWindow(platform == QLatin1String("xcb") ? quintptr(VideoWindow->winId()) : 0, platform);
    VideoTimeSlider->setRange(0, 1000);
    VideoVolumnSlider->setRange(0, 100);
    VideoVolumnSlider->setValue(50);
    PlaybackGroup->SetVolume(VideoVolumnSlider->value());

    connect(VideoWindow, &UDoubleClickedWidget::doubleclicked, this, &Tracora::fullscreen);
    connect(UpdateUIDataTimer, &QTimer::timeout, this, &Tracora::UpdateUIData);
    connect(NotConnectedTimer, &QTimer::timeout, this, &Tracora::NotConnectedTimerHandler);
    // The other cameras follow the front's pause, knowing what it is about to do.
    connect(VideoPlay, &QPushButton::clicked, PlaybackGroup, &UPlaybackGroup::PauseClicked);
    connect(VideoPlay, &QPushButton::clicked, VlcWrapper, &UVlcWrapper::Pause);
    connect(VideoStop, &QPushButton::clicked, VlcWrapper, &UVlcWrapper::Stop);
    connect(VideoStop, &QPushButton::clicked, PlaybackGroup, &UPlaybackGroup::Stop);
    connect(VideoStop, &QPushButton::clicked, this, &Tracora::HideCameras);
    // The engine's picture window is gone after a stop: the surface shows its own face again.
    connect(VideoStop, &QPushButton::clicked, VideoWindow, qOverload<>(&QWidget::update));
    connect(VideoPre, &QPushButton::clicked, this, &Tracora::PlayPrevious);
    connect(VideoNext, &QPushButton::clicked, this, &Tracora::PlayNext);
    connect(MapView, &QWebEngineView::loadFinished, this, &Tracora::LoadedToPaly);
    // The engine's plug-ins load once the start page is up, so that they do
    // not hold back the window's first picture; choosing a recording earlier
    // starts the engine then.
    connect(MapView, &QWebEngineView::loadFinished, VlcWrapper, &UVlcWrapper::StartEngineInBackground,
            Qt::SingleShotConnection);
    // Only the user's drags act on the engine: values set from code do not.
    connect(VideoTimeSlider, &QSlider::sliderMoved, VlcWrapper, &UVlcWrapper::SetPosition);
    connect(VideoVolumnSlider, &QSlider::sliderMoved, VlcWrapper, &UVlcWrapper::SetVolume);
    // The other cameras go where the front went; the volume is kept for the
    // recordings that follow.
    connect(VideoTimeSlider, &QSlider::sliderMoved, PlaybackGroup, &UPlaybackGroup::SeekToPosition);
    connect(VideoVolumnSlider, &QSlider::sliderMoved, PlaybackGroup, &UPlaybackGroup::SetVolume);
    connect(VideoListItemImport, &QPushButton::clicked, this, &Tracora::OpenFiles);
    connect(VideoListItemDelete, &QPushButton::clicked, this, &Tracora::DeleteFile);
    connect(VideoListLeft, &QTableWidget::cellClicked, this, &Tracora::ListTableClearSelecttionRight);
    connect(VideoListRight, &QTableWidget::cellClicked, this, &Tracora::ListTableClearSelecttionLeft);
    connect(VideoListLeft, &QTableWidget::cellDoubleClicked, this, &Tracora::ListTablePlayVideoLeft);
    connect(VideoListRight, &QTableWidget::cellDoubleClicked, this, &Tracora::ListTablePlayVideoRight);
    connect(VideoListPrePage, &QPushButton::clicked, this, &Tracora::ListTablePreviousPage);
    connect(VideoListNextPage, &QPushButton::clicked, this, &Tracora::ListTableNextPage);
    connect(VideoFiles, &UVideoAndGpsfiles::VideoAdded, VlcWrapper, &UVlcWrapper::AddMedia);
    connect(VideoFiles, &UVideoAndGpsfiles::VideoDeleted, VlcWrapper, &UVlcWrapper::RemoveMedia);
}

void Tracora::RelayoutChildren()
{
    const int W = width();
    const int H = height();
    const int K = W - 315;        // width of the video column
    const int B = H - 310;        // height of the video surface
    const int C = (W - 350) / 2;  // anchor of the two button rows
    const int c0 = (W - 300) / 2; // width of the header's side parts

    HeaderCenter->setGeometry(c0, 0, 300, 50);
    HeaderLeft->setGeometry(0, 0, c0, 50);
    HeaderRight->setGeometry((W + 300) / 2, 0, c0, 50);
    VideoWindow->setMinimumSize(VideoMinimumWidth, VideoMinimumHeight);
    VideoWindow->setGeometry(5, 55, K, B);
    MapView->setGeometry(W - 305, 55, 300, B);
    VideoTimeSlider->setGeometry(5, H - 202, 4 * K / 6, 20);
    VideoVolumnSlider->setGeometry(5 * K / 6, H - 202, K / 6, 20);
    AudioIndicator->setGeometry(5 * K / 6 - 20, H - 202, 20, 20);
    CarPosition->setGeometry(W - 305, H - 255, 300, 40);
    CarPositionNumber->setGeometry(W - 305, H - 215, 300, 40);
    VideoListLeft->setGeometry(5, H - 170, K / 2, 125);
    VideoListRight->setGeometry(K / 2 + 5, H - 170, K / 2, 125);
    CarSpeedMeter->setGeometry(W - 305, H - 170, 300, 120);

    VideoPlay->setGeometry(C - 35, H - 247, 35, 35);
    VideoPre->setGeometry(C - 115, H - 247, 35, 35);
    VideoNext->setGeometry(C + 45, H - 247, 35, 35);
    VideoStop->setGeometry(C + 125, H - 247, 35, 35);
    for (QPushButton *button : {VideoPlay, VideoPre, VideoNext, VideoStop})
        button->setFocusPolicy(Qt::NoFocus);

    VideoListPrePage->setGeometry(C - 35, H - 40, 35, 35);
    VideoListNextPage->setGeometry(C + 45, H - 40, 35, 35);
    VideoListItemImport->setGeometry(C - 115, H - 40, 35, 35);
    VideoListItemDelete->setGeometry(C + 125, H - 40, 35, 35);
    for (QPushButton *button : {VideoListPrePage, VideoListNextPage, VideoListItemImport, VideoListItemDelete})
        button->setFocusPolicy(Qt::NoFocus);

    WindowMin->setGeometry(W - 65, 0, 20, 20);
    WindowMax->setGeometry(W - 45, 0, 20, 20);
    WindowClose->setGeometry(W - 25, 0, 20, 20);
    for (QPushButton *button : {WindowMin, WindowMax, WindowClose})
        button->setFocusPolicy(Qt::NoFocus);

    VideoTimeLabel->setGeometry(15, H - 225, 110, 20);
}

void Tracora::ShowMapPage(const QString &page)
{
    // A page whose renderer dies never answers; the view may have been given
    // another page object since the last time.
    connect(MapView->page(), &QWebEnginePage::renderProcessTerminated, this, &Tracora::MapRendererGone,
            Qt::UniqueConnection);
    // Before the page loads: the page finds the player's channel object only
    // if the channel is there when its document starts.
    AttachMapChannel();
    // The web engine wants absolute URLs; the pages lie in images/ under the
    // working directory.
    MapView->setUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("images/") + page)));
}

void Tracora::RunMapScript(const QString &script)
{
    MapView->page()->runJavaScript(script);
}

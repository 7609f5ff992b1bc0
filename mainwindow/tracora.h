#ifndef TRACORA_H
#define TRACORA_H

#include <QWidget>

#include "console/umapbridge.h"
#include "console/umaproute.h"

class QGraphicsView;
class QLabel;
class QPushButton;
class QSlider;
class QTableWidget;
class QTimer;
class QWebChannel;
class QWebEngineView;
class GpsLogData;
class NcFramelessHelper;
class UDoubleClickedWidget;
struct UDisplayStep;
class USpeedMeter;
class UVideoAndGpsfiles;
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

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

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
    void ConnectSignals();
    void RelayoutChildren();
    void SetWindowFace();
    void ShowMapPage(const QString &page);
    void RunMapScript(const QString &script);
    void ApplyMapStep(const UMapStep &Step);

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
};

#endif // TRACORA_H

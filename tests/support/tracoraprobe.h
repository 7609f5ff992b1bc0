#ifndef TRACORAPROBE_H
#define TRACORAPROBE_H

// Test access to the main window's internals.
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "catalogue/uvideoandgpsfiles.h"
#include "gpslog/gpslogdata.h"
#include "mainwindow/tracora.h"
#include "mainwindow/tracora_state.h"
#include "playback/uvlcwrapper.h"
#include "widgets/ncframelesshelper.h"
#include "widgets/udoubleclickedwidget.h"
#include "widgets/uspeedmeter.h"

struct TracoraProbe
{
    explicit TracoraProbe(Tracora &window) : w(window) {}
    Tracora &w;

    Tracora::DisplayWindowStatus *status() const { return w.Status; }
    UVlcWrapper *wrapper() const { return w.VlcWrapper; }
    UVideoAndGpsfiles *files() const { return w.VideoFiles; }
    GpsLogData *gps() const { return w.GpsLog; }
    NcFramelessHelper *helper() const { return w.FramelessHelper; }
    QTimer *updateTimer() const { return w.UpdateUIDataTimer; }
    QTimer *notConnectedTimer() const { return w.NotConnectedTimer; }
    QWebEngineView *map() const { return w.MapView; }
    QTableWidget *left() const { return w.VideoListLeft; }
    QTableWidget *right() const { return w.VideoListRight; }
    QPushButton *play() const { return w.VideoPlay; }
    QPushButton *maxButton() const { return w.WindowMax; }
    QSlider *timeSlider() const { return w.VideoTimeSlider; }
    QSlider *volumeSlider() const { return w.VideoVolumnSlider; }
    QLabel *timeLabel() const { return w.VideoTimeLabel; }
    QLabel *position() const { return w.CarPositionNumber; }
    USpeedMeter *speed() const { return w.CarSpeedMeter; }
    UDoubleClickedWidget *video() const { return w.VideoWindow; }
    int playButtonState() const { return w.PlayButtonState; }
    int maxButtonState() const { return w.MaxButtonState; }

    void relayout() { w.RelayoutChildren(); }
    void loadMapToPlay(int index) { w.LoadMapToPlay(index); }
    void loadedToPlay(bool ok) { w.LoadedToPaly(ok); }
    void notConnected() { w.NotConnectedTimerHandler(); }
    void updateUIData() { w.UpdateUIData(); }
    void listTableUpdate() { w.ListTableUpdate(); }
    void nextPage() { w.ListTableNextPage(); }
    void previousPage() { w.ListTablePreviousPage(); }
    void playNext() { w.PlayNext(); }
    void playPrevious() { w.PlayPrevious(); }
    void deleteFile() { w.DeleteFile(); }
    void openFiles() { w.OpenFiles(); }
    void switchPlayButton() { w.SwitchPlaybuttonAndPausebutton(); }
    void maxWindow() { w.MaxWindow(); }
    void fullscreen() { w.fullscreen(); }
    void playLeft(int row) { w.ListTablePlayVideoLeft(row, 0); }
    void playRight(int row) { w.ListTablePlayVideoRight(row, 0); }
};

#endif // TRACORAPROBE_H

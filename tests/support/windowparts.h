#ifndef WINDOWPARTS_H
#define WINDOWPARTS_H

// The main window's parts as a test reaches them from outside: widgets and
// timers by object name, the engine wrapper and the catalogue by type. Found
// once, at construction: the play/pause and maximise buttons change their
// object names with their faces.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include "catalogue/uvideoandgpsfiles.h"
#include "mainwindow/tracora.h"
#include "mainwindow/tracora_state.h"
#include "playback/uvlcwrapper.h"
#include "widgets/udoubleclickedwidget.h"
#include "widgets/uspeedmeter.h"

struct WindowParts
{
    explicit WindowParts(Tracora &window)
        : Window(window),
          Wrapper(window.findChild<UVlcWrapper *>()),
          Files(window.findChild<UVideoAndGpsfiles *>()),
          UpdateTimer(window.findChild<QTimer *>(QStringLiteral("UpdateUIDataTimer"))),
          FallbackTimer(window.findChild<QTimer *>(QStringLiteral("NotConnectedTimer"))),
          Map(window.findChild<QWebEngineView *>(QStringLiteral("GoogleMap"))),
          Left(window.findChild<QTableWidget *>(QStringLiteral("VideoListLeft"))),
          Right(window.findChild<QTableWidget *>(QStringLiteral("VideoListRight"))),
          Play(Button("VideoPlay")),
          Stop(Button("VideoStop")),
          Previous(Button("VideoPre")),
          Next(Button("VideoNext")),
          PreviousPage(Button("VideoListPrePage")),
          NextPage(Button("VideoListNextPage")),
          Import(Button("VideoListItemImport")),
          Delete(Button("VideoListItemDelete")),
          Max(Button("WindowMax")),
          TimeSlider(window.findChild<QSlider *>(QStringLiteral("VideoTimeSlider"))),
          VolumeSlider(window.findChild<QSlider *>(QStringLiteral("VideoVolumnSlider"))),
          TimeLabel(window.findChild<QLabel *>(QStringLiteral("VideoTime"))),
          Position(window.findChild<QLabel *>(QStringLiteral("CarPositionNumber"))),
          Speed(window.findChild<USpeedMeter *>(QStringLiteral("CarSpeedMeter"))),
          Video(window.findChild<UDoubleClickedWidget *>(QStringLiteral("VideoWindow")))
    {
    }

    // True when every part was found.
    bool Complete() const
    {
        return Wrapper && Files && UpdateTimer && FallbackTimer && Map && Left && Right && Play && Stop
            && Previous && Next && PreviousPage && NextPage && Import && Delete && Max && TimeSlider
            && VolumeSlider && TimeLabel && Position && Speed && Video;
    }

    // Adds recordings to the catalogue, as the import does after its dialog,
    // and refills the tables through the previous-page button (on the first
    // page it only refills).
    void AddRecordings(const QStringList &paths)
    {
        Files->AddVideoAndGpsfiles(paths);
        PreviousPage->click();
    }

    // A click on a row, then a double-click, as the user chooses a recording.
    static void DoubleClickRow(QTableWidget *table, int row)
    {
        const QPoint centre = table->visualRect(table->model()->index(row, 0)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    }

    static void ClickRow(QTableWidget *table, int row)
    {
        const QPoint centre = table->visualRect(table->model()->index(row, 0)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    }

    // The face the play/pause button shows: true for Play.
    bool ShowsPlayFace() const { return Play->objectName() == QLatin1String("VideoPlay"); }

    bool PlayingIndex(int index) const
    {
        return Wrapper->GetState() == UVlcWrapper::StatePlaying && Wrapper->GetIndex() == index;
    }

    Tracora &Window;
    UVlcWrapper *Wrapper;
    UVideoAndGpsfiles *Files;
    QTimer *UpdateTimer;
    QTimer *FallbackTimer;
    QWebEngineView *Map;
    QTableWidget *Left;
    QTableWidget *Right;
    QPushButton *Play;
    QPushButton *Stop;
    QPushButton *Previous;
    QPushButton *Next;
    QPushButton *PreviousPage;
    QPushButton *NextPage;
    QPushButton *Import;
    QPushButton *Delete;
    QPushButton *Max;
    QSlider *TimeSlider;
    QSlider *VolumeSlider;
    QLabel *TimeLabel;
    QLabel *Position;
    USpeedMeter *Speed;
    UDoubleClickedWidget *Video;

private:
    QPushButton *Button(const char *name) const
    {
        return Window.findChild<QPushButton *>(QLatin1String(name));
    }
};

#endif // WINDOWPARTS_H

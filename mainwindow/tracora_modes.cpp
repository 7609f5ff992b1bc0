// Display modes: normal window, window full screen, video full screen.
#include "tracora.h"
#include "tracora_state.h"

#include <QMouseEvent>
#include <QPushButton>

#include "widgets/ncframelesshelper.h"
#include "widgets/udoubleclickedwidget.h"

namespace {

// The title band is 50 px high; double-clicks within 6 px of the window's
// top and side edges belong to the resize bands, not to the band.
constexpr int TitleBandHeight = 50;
constexpr int TitleBandMargin = 5;

// The button's own rules name the images in images/ under the working directory.
const QString WindowNormalRules = QStringLiteral(
    "#WindowNormal          {border-image:url(./images/Window_Normal.png); border-radius: 8px;}"
    "#WindowNormal:hover    {border-image:url(./images/Window_Normal_Hover.png);}"
    "#WindowNormal:pressed  {border-image:url(./images/Window_Normal_Pressed.png);}");
const QString WindowMaxRules = QStringLiteral(
    "#WindowMax          {border-image:url(./images/Window_Max.png); border-radius: 8px;}"
    "#WindowMax:hover    {border-image:url(./images/Window_Max_Hover.png);}"
    "#WindowMax:pressed  {border-image:url(./images/Window_Max_Pressed.png);}");

} // namespace

void Tracora::MaxWindow()
{
    if (Status->WindowFull != 0) {
        Status->WindowFull = 0;
        showNormal();
        FramelessHelper->setMovable(true);
        FramelessHelper->setResizable(true);
    } else {
        Status->WindowFull = 1;
        FramelessHelper->setMovable(false);
        FramelessHelper->setResizable(false);
        // With resizing off the helper stops updating the cursor, so a resize
        // cursor it set over an edge band (the top band reaches over the
        // window buttons) would stay over the whole full-screen window.
        unsetCursor();
        showFullScreen();
    }
    SetWindowFace();
}

void Tracora::SetWindowFace()
{
    if (MaxButtonState == 1) {
        WindowMax->setObjectName(QStringLiteral("WindowNormal"));
        WindowMax->setStyleSheet(WindowNormalRules);
        MaxButtonState = 0;
    } else {
        WindowMax->setObjectName(QStringLiteral("WindowMax"));
        WindowMax->setStyleSheet(WindowMaxRules);
        MaxButtonState = 1;
    }
}

void Tracora::fullscreen()
{
    if (VideoFullScreen) {
        showNormal();
        // The window's size may not have changed, so no resize event puts the
        // video surface back.
        RelayoutChildren();
        FramelessHelper->setMovable(true);
        FramelessHelper->setResizable(true);
        VideoFullScreen = false;
        return;
    }

    if (Status->WindowFull == 1)
        MaxWindow();
    FramelessHelper->setMovable(false);
    FramelessHelper->setResizable(false);
    unsetCursor(); // as in MaxWindow()
    showFullScreen();
    // The surface lies above every other child and hides them all.
    VideoWindow->setGeometry(0, 0, width(), height());
    VideoFullScreen = true;
}

void Tracora::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;

    const QRect frame = frameGeometry();
    const QPoint global = event->globalPosition().toPoint();
    const int dx = global.x() - frame.left();
    const int dy = global.y() - frame.top();
    if (dx > TitleBandMargin && dx < width() - TitleBandMargin - 1
        && dy > TitleBandMargin && dy < TitleBandHeight)
        MaxWindow();
    event->accept();
}

void Tracora::resizeEvent(QResizeEvent *)
{
    RelayoutChildren();
    // On X11 the full-screen geometry arrives after showFullScreen() returns;
    // the video surface must keep covering the window when it does.
    if (VideoFullScreen)
        VideoWindow->setGeometry(0, 0, width(), height());
}

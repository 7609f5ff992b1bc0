#ifndef SCREENFACES_H
#define SCREENFACES_H

// Comparing what the window shows on screen with the program's artwork.
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QWidget>

// How far apart two pictures are (mean of the summed channel differences),
// compared at the given size.
inline int Difference(const QImage &a, const QImage &b, const QSize &size)
{
    const QImage x = a.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_ARGB32);
    qint64 sum = 0;
    for (int row = 0; row < size.height(); ++row) {
        for (int col = 0; col < size.width(); ++col) {
            const QColor p = x.pixelColor(col, row), q = y.pixelColor(col, row);
            sum += qAbs(p.red() - q.red()) + qAbs(p.green() - q.green()) + qAbs(p.blue() - q.blue());
        }
    }
    return int(sum / (size.width() * size.height()));
}

// The program's style sheet, as the start-up sets it on the main window.
inline QString AppStyleSheet()
{
    QFile file(QStringLiteral(":/qss/Tracora.qss"));
    if (!file.open(QFile::ReadOnly))
        return QString();
    return QLatin1String(file.readAll());
}

// How far the video surface, as the screen shows it, is from the splash
// picture it shows while no video covers it.
inline int SurfaceDifferenceFromSplash(QWidget *window, QWidget *surface)
{
    const QPoint at = surface->mapTo(window, QPoint(0, 0));
    const QImage shot = window->screen()
                            ->grabWindow(window->winId(), at.x(), at.y(), surface->width(), surface->height())
                            .toImage();
    const QImage splash = QImage(QStringLiteral(":/images/Splash.png"))
                              .copy(QRect(QPoint(0, 0), surface->size()));
    return Difference(shot, splash, QSize(64, 36));
}

#endif // SCREENFACES_H

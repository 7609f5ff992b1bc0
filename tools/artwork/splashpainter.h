#ifndef SPLASHPAINTER_H
#define SPLASHPAINTER_H

#include <QImage>

// The start-up picture, also the video surface's background before a video
// plays. The surface shows it centred across and from the top down, so what
// matters sits in the upper 360 rows; the lower right corner stays quiet for
// the white loading message.
class SplashPainter
{
public:
    static constexpr int Width = 640;
    static constexpr int Height = 480;

    static QImage Paint();
};

#endif // SPLASHPAINTER_H

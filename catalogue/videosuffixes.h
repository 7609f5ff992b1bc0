#ifndef VIDEOSUFFIXES_H
#define VIDEOSUFFIXES_H

#include <QLatin1String>

// The kinds of video the player takes, by file name suffix, in lower case;
// suffixes compare without regard to case (CLIP0001.MOV and clip0001.mov).
inline constexpr QLatin1String VideoSuffixes[] = {
    QLatin1String("mov"), QLatin1String("mp4"), QLatin1String("ts"), QLatin1String("avi"), QLatin1String("mkv"),
};

#endif // VIDEOSUFFIXES_H

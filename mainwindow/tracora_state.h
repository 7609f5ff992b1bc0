#ifndef TRACORA_STATE_H
#define TRACORA_STATE_H

// Window-wide flags shared by the main window's sources.

// True while the video surface alone covers the screen.
extern bool VideoFullScreen;
// True once the current recording's track has been read and playback started
// on the online map (further load reports of that page are then ignored) or
// on the offline map of the no-connection page.
extern bool GpsTrackLoaded;

#endif // TRACORA_STATE_H

#ifndef UPLAYERCLOCK_H
#define UPLAYERCLOCK_H

#include <QtGlobal>

#include <mutex>

#include "playback/usyncdecision.h"

struct libvlc_event_t;
struct libvlc_media_player_t;

// What one player's engine said last about its time, and when. libvlc moves
// a player's time only four times a second, but the moment each new time
// arrives is the moment the picture of that time is on the screen (within
// about a frame): each one is kept with the monotonic clock of its arrival.
// The engine's own threads report here; they only store numbers under a
// lock, and the group reads them from its thread.
class UPlayerClock
{
public:
    UPlayerClock() = default;
    ~UPlayerClock();
    UPlayerClock(const UPlayerClock &) = delete;
    UPlayerClock &operator=(const UPlayerClock &) = delete;

    void Attach(libvlc_media_player_t *Player);
    // No report reaches the clock once this returns.
    void Detach();

    // Forgets the readings taken so far: after a seek, a resume or a new
    // recording the old ones describe another timeline.
    void Forget();
    // The last two readings since the last Forget; a TimeMs of -1 where
    // there is none yet.
    void Readings(UClockReading *Before, UClockReading *Last) const;
    // How many times the player has filled its buffers since it was
    // attached: one more once a seek has been served.
    quint64 BufferedCount() const;

    // The monotonic clock the readings are taken on, in µs.
    static qint64 NowUs();

private:
    static void OnEvent(const libvlc_event_t *Event, void *Data);

    mutable std::mutex Lock;
    UClockReading Before;
    UClockReading Last;
    quint64 Buffered = 0;
    libvlc_media_player_t *Player = nullptr;
};

#endif // UPLAYERCLOCK_H

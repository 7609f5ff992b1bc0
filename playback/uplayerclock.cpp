#include "uplayerclock.h"

#include <vlc/vlc.h>

#include <chrono>

namespace {

// The engine reports its buffers' fill in percent; full means it can show pictures.
constexpr float BuffersFull = 100.0f;

const libvlc_event_e Reports[] = {libvlc_MediaPlayerTimeChanged, libvlc_MediaPlayerBuffering};

} // namespace

UPlayerClock::~UPlayerClock()
{
    Detach();
}

void UPlayerClock::Attach(libvlc_media_player_t *Player)
{
    Detach();
    if (!Player)
        return;
    this->Player = Player;
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(Player);
    for (const libvlc_event_e report : Reports)
        libvlc_event_attach(events, report, &UPlayerClock::OnEvent, this);
}

void UPlayerClock::Detach()
{
    if (!Player)
        return;
    // The engine holds its event lock while it reports, and detaching takes
    // it: no report is running here once these return.
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(Player);
    for (const libvlc_event_e report : Reports)
        libvlc_event_detach(events, report, &UPlayerClock::OnEvent, this);
    Player = nullptr;
}

void UPlayerClock::Forget()
{
    const std::lock_guard<std::mutex> guard(Lock);
    Before = UClockReading();
    Last = UClockReading();
}

void UPlayerClock::Readings(UClockReading *Before, UClockReading *Last) const
{
    const std::lock_guard<std::mutex> guard(Lock);
    *Before = this->Before;
    *Last = this->Last;
}

quint64 UPlayerClock::BufferedCount() const
{
    const std::lock_guard<std::mutex> guard(Lock);
    return Buffered;
}

qint64 UPlayerClock::NowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void UPlayerClock::OnEvent(const libvlc_event_t *Event, void *Data)
{
    auto *clock = static_cast<UPlayerClock *>(Data);
    const qint64 now = NowUs();
    const std::lock_guard<std::mutex> guard(clock->Lock);
    if (Event->type == libvlc_MediaPlayerTimeChanged) {
        clock->Before = clock->Last;
        clock->Last = UClockReading{qint64(Event->u.media_player_time_changed.new_time), now};
    } else if (Event->type == libvlc_MediaPlayerBuffering
               && Event->u.media_player_buffering.new_cache >= BuffersFull) {
        ++clock->Buffered;
    }
}

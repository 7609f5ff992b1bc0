#ifndef ENGINESTATE_H
#define ENGINESTATE_H

// The engine's media states, as UVlcWrapper::GetState() reports them, and
// the cameras' faces. Kept apart from the wrapper so that code deciding on a
// state (the display tick, the route, the tiles' labels) needs no libvlc.
struct UEngineState
{
    enum EngineState : int {
        StateIdle = 0,
        StateOpening = 1,
        StateBuffering = 2,
        StatePlaying = 3,
        StatePaused = 4,
        StateStopped = 5,
        StateEnded = 6,
        StateError = 7,
    };
};

// How one camera of a recording is doing, for its tile (UPlaybackGroup).
enum class UCameraFace {
    Waiting,     // opening, or nothing chosen yet
    Playing,     // its picture is in its window (also paused)
    CannotPlay,  // the engine could not play its file
    NoRecording, // no file, or its file ended before the front's
};

#endif // ENGINESTATE_H

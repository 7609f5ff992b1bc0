#ifndef ENGINESTATE_H
#define ENGINESTATE_H

// The engine's media states, as UVlcWrapper::GetState() reports them. Kept
// apart from the wrapper so that code deciding on a state (the display
// tick, the route) needs no libvlc.
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

#endif // ENGINESTATE_H

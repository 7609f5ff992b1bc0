#pragma once

// The allocator's side of playing one recording after another. Each recording
// starts the engine's decoders and video output on threads of their own; what
// they free goes back to the allocator's per-thread arenas, which keep it. Over
// a long session every arena would hold its largest recording's worth.
namespace EngineMemory {

// Bounds the allocator's arenas to one per processor (at least two). Called
// once, before the application starts any thread; elsewhere a no-op.
void LimitArenas();

// Hands the free pages of every arena back to the system: called when a
// recording has stopped and its threads have freed what they held. Takes a
// few milliseconds.
void GiveBackFreed();

} // namespace EngineMemory

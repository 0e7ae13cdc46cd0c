#pragma once
// Calls that run once the event being handled is done: a burst of changes
// (a paste of thousands of cells) is answered once, and a window may close
// itself from its own button without being freed under the button's feet.
#include <functional>

namespace quadrell {

// Queues the call under the key; a key already queued keeps its first call.
void RunSoon(const void* key, std::function<void()> call);
// Forgets the queued call of the key (its owner goes away).
void CancelSoon(const void* key);
// Runs the queued calls, also those queued meanwhile; the event loop calls it.
void RunQueuedCalls();
bool HasQueuedCalls();
// The window system's way to have RunQueuedCalls called after the current
// event; without one the calls wait for RunQueuedCalls.
void SetQueueWaker(std::function<void()> waker);

}  // namespace quadrell

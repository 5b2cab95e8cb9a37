// The main thread and its call queue.
//
// The main thread is the thread that last called AttachMainThread(); before
// any call it is the process's initial thread. Other threads hand work to it
// through a FIFO queue that the main thread serves with CheckSynchronize()
// (or MainThreadWait()); a wake hook tells a GUI event loop that work is
// queued. No lock of this module is held while a queued call runs.
#pragma once

#include <functional>

namespace zentrova {

/// Makes the calling thread the main thread.
void AttachMainThread();
/// True on the main thread.
bool IsMainThread();

/// On the main thread runs `fn` at once. On another thread queues it, wakes
/// the main thread, waits until the main thread has run it and rethrows what
/// it threw. The caller must hold no lock the main thread may need.
void CallInMainThread(std::function<void()> fn);
/// Queues `fn` for the main thread and returns at once (also on the main
/// thread). An exception from `fn` is caught and logged at llError.
void PostToMainThread(std::function<void()> fn);

/// Main thread only (returns false elsewhere): runs the calls queued so far,
/// in FIFO order, waiting up to `timeout_ms` for the first one (or for a
/// WakeMainThread). Returns true when something ran. Calls queued while it runs wait for the next call.
bool CheckSynchronize(int timeout_ms = 0);
/// Main thread: waits until `done()` is true or `timeout_ms` has passed
/// (negative: no limit), serving the queue meanwhile and asking `done` again
/// after each call it served, each WakeMainThread and at least every 20 ms.
/// Returns done(). On another thread it only polls `done` every 20 ms.
bool MainThreadWait(const std::function<bool()>& done, int timeout_ms);

/// Wakes a MainThreadWait (or a CheckSynchronize waiting for a call) on the
/// main thread, so that it looks at its condition now instead of at its next
/// 20 ms poll. Any thread; call it after changing what the main thread waits for.
void WakeMainThread();

/// Installs the hook called (on the queuing thread, outside any lock) each
/// time a call is queued; an empty function removes it. The Qt glue posts a
/// CheckSynchronize() to its event loop from it.
void SetWakeHook(std::function<void()> hook);

}  // namespace zentrova

#pragma once
// Work the GUI thread must do inside HookLock, without ever waiting for it:
// a request handler may hold the lock for long, and the window has to stay
// alive meanwhile. Tasks run in the order given, each as soon as the lock is
// free, from the event loop.

#include <functional>

namespace palvex {

// Runs task inside HookLock: at once when the lock is free and nothing is
// queued, else later from the event loop. GUI thread only.
void RunWithHookLock(std::function<void()> task);
// True while tasks wait for the lock.
bool HookLockTasksPending();

}  // namespace palvex

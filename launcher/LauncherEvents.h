#pragma once

// The launcher's two private messages, with their window message numbers.
// Both are posted and carry nothing.
enum LauncherMessage : int {
    WM_APP_START_WORK = 32868,  // main thread to itself: start the worker
    WM_APP_WORK_DONE = 32869,   // worker to main thread: the install sequence has ended
};

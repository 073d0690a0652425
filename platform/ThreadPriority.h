#pragma once

// Lowers the calling thread's scheduling priority a little below that of the
// user-interface thread ("below normal"), so that a long background job never
// makes the window sluggish. Threads it starts afterwards inherit the lower
// priority. Lowering needs no rights; failure is ignored.
void LowerCurrentThreadPriority();

#include "ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace {
// Windows' "below normal" is one step under normal; on the nice scale of 40
// steps, a few steps give the interactive thread the clear preference.
constexpr int kBelowNormalNiceSteps = 4;
}  // namespace

void LowerCurrentThreadPriority() {
    // On Linux the nice value belongs to each thread (addressed by its thread
    // id), and a new thread starts with that of its creator.
    const id_t thread = id_t(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, thread);
    if (current == -1 && errno != 0) return;
    ::setpriority(PRIO_PROCESS, thread, current + kBelowNormalNiceSteps);
}

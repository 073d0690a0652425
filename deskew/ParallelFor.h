#pragma once

#include <functional>

// Runs body(begin, end) over [0, count) split into contiguous parts, one per
// worker (at most four, and never more than the machine's threads), the calling
// thread taking the first part. Small counts run on the calling thread alone.
// When the system refuses a thread its part runs on the calling thread.
void ParallelFor(int count, int minimumPerPart, const std::function<void(int, int)>& body);

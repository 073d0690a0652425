#include "ParallelFor.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

void ParallelFor(int count, int minimumPerPart, const std::function<void(int, int)>& body) {
    if (count <= 0) return;
    const int hardware = int(std::max(1u, std::thread::hardware_concurrency()));
    const int parts = std::clamp(count / std::max(1, minimumPerPart), 1, std::min(hardware, 4));
    if (parts == 1) {
        body(0, count);
        return;
    }
    std::vector<std::thread> workers;
    std::vector<std::pair<int, int>> leftOver;
    for (int part = 1; part < parts; ++part) {
        const int begin = int(long(count) * part / parts);
        const int end = int(long(count) * (part + 1) / parts);
        try {
            workers.emplace_back(body, begin, end);
        } catch (const std::system_error&) {
            leftOver.emplace_back(begin, end);
        }
    }
    body(0, int(long(count) / parts));
    for (const auto& [begin, end] : leftOver) body(begin, end);
    for (std::thread& worker : workers) worker.join();
}

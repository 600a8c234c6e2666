#include "bench/support/TraceBenchData.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace orv::bench {

std::string Real32Data(int points, double step) {
    std::string data;
    data.reserve(static_cast<size_t>(points) * 4);
    for (int i = 0; i < points; ++i) {
        const uint32_t word = std::bit_cast<uint32_t>(static_cast<float>(-80.0 + step * i));
        for (int b = 0; b < 4; ++b) {
            data.push_back(static_cast<char>(word >> (8 * b)));
        }
    }
    return data;
}

std::string Real32Block(const std::string& data) {
    const std::string length = std::to_string(data.size());
    return "#" + std::to_string(length.size()) + length + data + "\n";
}

long ResidentKb() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace orv::bench

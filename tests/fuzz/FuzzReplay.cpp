// Drives the fuzz entries with deterministic random and mutated inputs in the ordinary test run, so
// that the sanitizer tree exercises them without a fuzzing engine.
#include "tests/fuzz/FuzzReplay.h"

#include <random>

namespace orv::test {

namespace {
constexpr size_t kMaxCuts = 4096;
} // namespace

int ReplayFuzzInputs(FuzzEntry entry, const std::vector<std::vector<uint8_t>>& seeds, int rounds) {
    std::mt19937 random(12345);
    int inputs = 0;
    for (const auto& seed : seeds) {
        entry(seed.data(), seed.size());
        ++inputs;
        // A large seed (a whole project file) is cut at about kMaxCuts places spread over it, so that
        // one seed does not take the run's whole time.
        const size_t step = seed.size() / kMaxCuts + 1;
        for (size_t cut = 0; cut < seed.size(); cut += step) {
            entry(seed.data(), cut);
            ++inputs;
        }
    }
    for (int round = 0; round < rounds; ++round) {
        std::vector<uint8_t> input;
        if (!seeds.empty() && round % 2 == 0) {
            input = seeds[static_cast<size_t>(round / 2) % seeds.size()];
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int f = 0; f < flips && !input.empty(); ++f) {
                input[random() % input.size()] = static_cast<uint8_t>(random());
            }
        } else {
            input.resize(random() % 64);
            for (auto& byte : input) {
                byte = static_cast<uint8_t>(random());
            }
        }
        entry(input.data(), input.size());
        ++inputs;
    }
    return inputs;
}

} // namespace orv::test

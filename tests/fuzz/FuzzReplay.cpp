// Drives the fuzz entries with deterministic random and mutated inputs in the ordinary test run, so
// that the sanitizer tree exercises them without a fuzzing engine.
#include "tests/fuzz/FuzzReplay.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace orv::test {

namespace {
constexpr size_t kMaxCuts = 4096;

// The fuzz script gives each fuzzing engine run the seeds as its starting corpus: with
// ORV_FUZZ_SEED_DIR set, every seed is also written there as a file of its own.
void WriteSeeds(const std::vector<std::vector<uint8_t>>& seeds) {
    const char* folder = std::getenv("ORV_FUZZ_SEED_DIR");
    if (folder == nullptr || folder[0] == '\0') {
        return;
    }
    for (size_t i = 0; i < seeds.size(); ++i) {
        const std::string path = std::string(folder) + "/seed-" + std::to_string(i);
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(seeds[i].data(), 1, seeds[i].size(), file);
            std::fclose(file);
        }
    }
}
} // namespace

int ReplayFuzzInputs(FuzzEntry entry, const std::vector<std::vector<uint8_t>>& seeds, int rounds) {
    WriteSeeds(seeds);
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

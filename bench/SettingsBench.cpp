// Parsing a settings file must stay linear in its size: one key holding 100,000 values, and
// 100,000 keys under one parent, against merely reading the same bytes line by line.

#include "platform/CLocale.h"
#include "platform/registry/SettingsHive.h"

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kCount = 100000;

std::string ManyValues() {
    std::string text = "[Software\\Maker\\Many]\n";
    for (int i = 0; i < kCount; ++i) {
        text += orv::FormatC("\"value%d\"=sz:\"text %d\"\n", i, i);
    }
    return text;
}

std::string ManyKeys() {
    std::string text;
    for (int i = 0; i < kCount; ++i) {
        text += orv::FormatC("[Software\\Maker\\Key%d]\n\"v\"=dword:%08x\n", i, i);
    }
    return text;
}

const std::string& Text(int64_t which) {
    static const std::string values = ManyValues();
    static const std::string keys = ManyKeys();
    return which == 0 ? values : keys;
}

// What any reader of the text does at least: split it into lines and keep each.
void BM_ReadLines(benchmark::State& state) {
    const std::string& text = Text(state.range(0));
    for (auto _ : state) {
        std::vector<std::string> lines;
        std::string_view rest = text;
        while (!rest.empty()) {
            size_t end = rest.find('\n');
            end = end == std::string_view::npos ? rest.size() : end;
            lines.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end == rest.size() ? end : end + 1);
        }
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ParseSettings(benchmark::State& state) {
    const std::string& text = Text(state.range(0));
    for (auto _ : state) {
        orv::SettingsHive hive = orv::SettingsHive::Parse(text);
        benchmark::DoNotOptimize(&hive);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseSettings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

// Fuzz entry for the analyser drivers' text handling: a configured command template with each kind
// of argument, a block header and an ASCII trace an instrument sends. Nothing may overrun, and every accepted
// command stays within the command limit.
#include "analyzers/drivers/scpi/AsciiTrace.h"
#include "analyzers/drivers/scpi/CommandTemplate.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4096) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto check = [](const std::optional<std::string>& command) {
        if (command && command->size() > orv::kMaxCommandLength) {
            std::abort();
        }
    };
    switch (data[0] % 6) {
    case 0:
        check(orv::ExpandCommandTemplate(text));
        break;
    case 1:
        check(orv::ExpandCommandTemplate(text, text));
        break;
    case 2:
        check(orv::ExpandCommandTemplate(text, static_cast<int32_t>(size * 7919)));
        break;
    case 3:
        check(orv::ExpandCommandTemplate(text, static_cast<double>(size) * -1.25e37));
        break;
    case 4: {
        // The expected count comes from the first byte; a good parse has exactly that many values.
        const int32_t points = data[0] / 6;
        std::vector<float> values;
        if (orv::ParseAsciiTrace(text, points, 107.0f, values) &&
            values.size() != static_cast<size_t>(points)) {
            std::abort();
        }
        break;
    }
    default: {
        // "#", a digit count, then that many length digits.
        if (text.size() >= 2 && text[0] == '#') {
            const int32_t digits = orv::BlockLengthDigitCount(text[1]);
            size_t length = 0;
            if (digits > 0 && text.size() >= 2 + static_cast<size_t>(digits) &&
                orv::ParseBlockLength(text.substr(2, static_cast<size_t>(digits)), 1000, length) &&
                length > 1000) {
                std::abort();
            }
        }
        float values[8];
        orv::DecodeLittleEndianSingles(data + 1, size - 1, values, 8, 107.0f);
        break;
    }
    }
    return 0;
}

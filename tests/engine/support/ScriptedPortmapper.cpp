#include "tests/engine/support/ScriptedPortmapper.h"

namespace orv::test {

std::vector<uint8_t> PortmapperWords(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> bytes;
    for (const uint32_t word : words) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<uint8_t>(word >> shift));
        }
    }
    return bytes;
}

std::vector<uint8_t> PortmapperReply(uint32_t port, std::size_t size) {
    std::vector<uint8_t> bytes = PortmapperWords({1, 1, 0, 0, 0, 0, port});
    bytes.resize(size, 0);
    return bytes;
}

} // namespace orv::test

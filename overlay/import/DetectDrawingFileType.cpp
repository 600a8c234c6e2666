#include "overlay/import/DetectDrawingFileType.h"

#include <cstring>

namespace orv {
namespace {

constexpr uint32_t kBlockBytes = 1000;
constexpr int kBlocks = 4;

bool IsHpglBlock(const uint8_t* block, uint32_t count) {
    for (uint32_t p = 0; p < count; ++p) {
        if (block[p] != ';') {
            continue;
        }
        if (p >= 2) {
            const char a = static_cast<char>(block[p - 2]);
            const char b = static_cast<char>(block[p - 1]);
            if ((a == 'I' && b == 'N') || (a == 'P' && (b == 'D' || b == 'U'))) {
                return true;
            }
        }
        if (p >= 3 && block[p - 3] == 'S' && block[p - 2] == 'P' &&
            (block[p - 1] == '1' || block[p - 1] == '2')) {
            return true;
        }
    }
    return false;
}

bool IsGerberBlock(const uint8_t* block, uint32_t count) {
    const auto* end = block + count;
    const auto* open = static_cast<const uint8_t*>(std::memchr(block, '%', count));
    bool parameterSeen = false;
    while (open != nullptr && open + 1 < end) {
        const auto* close =
            static_cast<const uint8_t*>(std::memchr(open + 1, '%', static_cast<size_t>(end - open - 1)));
        if (close == nullptr) {
            break;
        }
        if (std::strchr("IFAKLMOS", open[1]) != nullptr && open[1] != 0) {
            parameterSeen = true;
        }
        if (parameterSeen && close[-1] == '*') {
            return true;
        }
        open = close;
    }
    return false;
}

} // namespace

int32_t DetectDrawingFileType(ImportSource& file) {
    uint8_t block[kBlockBytes];
    for (int i = 0; i < kBlocks; ++i) {
        std::memset(block, 0, sizeof block);
        const uint32_t count = file.ReadSome(block, kBlockBytes);
        if (count == 0) {
            return kDrawingFileUnknown;
        }
        if (IsHpglBlock(block, count)) {
            return kDrawingFileHpgl;
        }
        if (IsGerberBlock(block, count)) {
            return kDrawingFileGerber;
        }
    }
    return kDrawingFileUnknown;
}

} // namespace orv

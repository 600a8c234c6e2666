// Fuzz entry for the drawing file-type detection: any bytes, read in reads of any size (the first
// byte chooses it), must give one of the three answers without a crash or an overrun.
#include "overlay/import/DetectDrawingFileType.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint32_t perRead = data[0] == 0 ? 0xFFFFFFFFU : data[0] * 8U;
    orv::ImportMemorySource source(data + 1, size - 1, perRead);
    const int32_t type = orv::DetectDrawingFileType(source);
    if (type != orv::kDrawingFileUnknown && type != orv::kDrawingFileGerber &&
        type != orv::kDrawingFileHpgl) {
        __builtin_trap();
    }
    return 0;
}

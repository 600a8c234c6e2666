// Fuzz entry for the HPGL import (see DrawingImportFuzz.h for what it checks).
#include "overlay/import/HPGLConvert.h"
#include "tests/fuzz/DrawingImportFuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return orv::test::FuzzDrawingImport(data, size,
                                        [](orv::ImportSource& source) { return orv::HPGLConvert(source); });
}

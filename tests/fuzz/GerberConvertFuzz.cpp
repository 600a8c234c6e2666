// Fuzz entry for the Gerber import (see DrawingImportFuzz.h for what it checks).
#include "overlay/import/GerberConvert.h"
#include "tests/fuzz/DrawingImportFuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return orv::test::FuzzDrawingImport(data, size,
                                        [](orv::ImportSource& source) { return orv::GerberConvert(source); });
}

// Fuzz entry for the HPGL import: any bytes must end in a drawing, nothing, or the converter's own
// exception, never a crash, an overrun or a leak; whatever is drawn must be storable as drawing
// records and read back the same.
#include "core/QException.h"
#include "core/QOverlayOptions.h"
#include "core/drawing/DrawingRecords.h"
#include "overlay/import/HPGLConvert.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

std::vector<uint8_t> Records(const orv::DrawBase_t* head) {
    orv::QCharCounterDataWriter counter;
    orv::WriteOverlayDrawingRecords(counter, head);
    std::vector<uint8_t> out(counter.m_count);
    orv::QCharArrayDataWriter writer(out.data(), counter.m_count);
    orv::WriteOverlayDrawingRecords(writer, head);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::ImportMemorySource source(data, size);
    orv::DrawList drawing;
    try {
        drawing = orv::HPGLConvert(source);
    } catch (const orv::QOutOfMemoryException&) {
        return 0;
    }
    const std::vector<uint8_t> records = Records(drawing.Head());
    orv::QCharArrayDataReader reader(records.data(), static_cast<uint32_t>(records.size()));
    const orv::DrawList back = orv::QOverlayOptions::LoadList(reader);
    if (Records(back.Head()) != records) {
        __builtin_trap();
    }
    return 0;
}

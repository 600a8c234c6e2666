// Fuzz entry for the drawing-record reader: any bytes must give a list or the loader's own exception,
// never a crash, an overrun or a leak. A list that loads must write records that load into the same
// list again, and four quarter turns of each primitive must leave it as it was.
#include "core/QException.h"
#include "core/QOverlayOptions.h"
#include "core/drawing/DrawingRecords.h"
#include "platform/debug/DebugOutput.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

std::vector<uint8_t> Write(const orv::DrawBase_t* head) {
    orv::QCharCounterDataWriter counter;
    orv::WriteOverlayDrawingRecords(counter, head);
    std::vector<uint8_t> out(counter.m_count);
    orv::QCharArrayDataWriter writer(out.data(), counter.m_count);
    orv::WriteOverlayDrawingRecords(writer, head);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    // Whatever loads is written whole: no primitive of a loaded list is ever left out.
    static const DebugOutputSink quiet = SetDebugOutputSink([](std::string_view) { __builtin_trap(); });
    (void)quiet;
    const auto length = static_cast<uint32_t>(size > 0xFFFFFFFFU ? 0xFFFFFFFFU : size);
    QCharArrayDataReader reader(data, length);
    DrawList list;
    try {
        list = QOverlayOptions::LoadList(reader);
    } catch (const QOutOfMemoryException&) {
        return 0;
    }
    const std::vector<uint8_t> first = Write(list.Head());
    QCharArrayDataReader back(first.data(), static_cast<uint32_t>(first.size()));
    DrawList again = QOverlayOptions::LoadList(back);
    if (back.GetRemaining() != 0 || Write(again.Head()) != first) {
        __builtin_trap();
    }
    for (DrawBase_t* p = list.Head(); p != nullptr; p = p->m_next) {
        const auto d = static_cast<int16_t>((p->m_kind & 1) != 0 ? 1 : -1);
        for (int i = 0; i < 4; ++i) {
            p->Rotate90(d);
        }
    }
    // Rotations of 360 and beyond come back reduced to one turn; everything else must be unchanged.
    for (DrawBase_t* p = again.Head(); p != nullptr; p = p->m_next) {
        if (auto* polygon = dynamic_cast<DrawSolidPolygon_t*>(p)) {
            polygon->m_rotation %= 360;
        } else if (auto* moire = dynamic_cast<DrawMoire_t*>(p)) {
            moire->m_rotation %= 360;
        } else if (auto* thermal = dynamic_cast<DrawThermal_t*>(p)) {
            thermal->m_rotation %= 360;
        }
    }
    if (Write(list.Head()) != Write(again.Head())) {
        __builtin_trap();
    }
    return 0;
}

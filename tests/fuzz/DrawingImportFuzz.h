#pragma once

// What the drawing importers' fuzz entries check: any bytes end in a drawing, nothing, or the
// importer's own out-of-memory exception, never a crash, an overrun or a leak; and whatever is drawn
// is storable as drawing records and reads back the same.

#include "core/QException.h"
#include "core/QOverlayOptions.h"
#include "core/drawing/DrawingRecords.h"
#include "overlay/import/ImportSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::test {

inline std::vector<uint8_t> DrawingRecordBytes(const DrawBase_t* head) {
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, head);
    std::vector<uint8_t> out(counter.m_count);
    QCharArrayDataWriter writer(out.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, head);
    return out;
}

// `import` is the importer: DrawList(ImportSource&).
template <typename Import> int FuzzDrawingImport(const uint8_t* data, size_t size, Import import) {
    ImportMemorySource source(data, size);
    DrawList drawing;
    try {
        drawing = import(source);
    } catch (const QOutOfMemoryException&) {
        return 0;
    }
    const std::vector<uint8_t> records = DrawingRecordBytes(drawing.Head());
    QCharArrayDataReader reader(records.data(), static_cast<uint32_t>(records.size()));
    const DrawList back = QOverlayOptions::LoadList(reader);
    if (DrawingRecordBytes(back.Head()) != records) {
        __builtin_trap();
    }
    return 0;
}

} // namespace orv::test

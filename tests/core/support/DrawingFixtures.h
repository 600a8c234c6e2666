#pragma once

#include "core/drawing/DrawList.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace orv::fake {

// One drawing record as stored: its size in words (3 + the parameters unless given), the kind word
// and the parameters.
std::vector<uint8_t> DrawingRecord(uint16_t kind, std::initializer_list<int32_t> params, uint32_t words = 0);
// Records joined, the end record last unless left out.
std::vector<uint8_t> DrawingBlob(std::initializer_list<std::vector<uint8_t>> records, bool terminate = true);

// A blob with one record of every kind the format holds, each field a value of its own, negative
// coordinates and both flag values; EveryKindList() builds the same drawing field by field.
std::vector<uint8_t> EveryKindBlob();
DrawList EveryKindList();

// The stored bytes of a list.
std::vector<uint8_t> WrittenRecords(const DrawBase_t* head);

} // namespace orv::fake

// Fuzz entry for the communication layer's assembly of interleaved scans. The input is a set-up
// (kind, level, grid, blind-spot flag, points per cell, whether it is held) followed by hand-overs of
// either kind with any level, sub-position, grid, pass, cell and point count. Whatever they hold,
// the assembly must only log, skip or assemble: never index its grids outside themselves.
#include "core/QDataWriter.h"
#include "core/QProbeScanPattern.h"
#include "core/QSerializable.h"
#include "protocol/QCommLayer.h"
#include "scandata/QDataPacketHandler.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTransportContainer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

std::vector<uint8_t> FrameOf(const orv::QSerializable& packet) {
    orv::QCharCounterDataWriter counter;
    packet.Serialize(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    orv::QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    packet.Serialize(writer);
    return bytes;
}

void CheckAssembled(const orv::QTransportContainer& container) {
    if (const orv::QSpatialScan* scan = container.GetSpatialScan()) {
        for (const orv::QSpatialFloatPoint& point : scan->GetFloatPoints()) {
            if (point.m_Row < 0 || point.m_Column < 0 || point.m_SubRow < 0 || point.m_SubColumn < 0) {
                __builtin_trap();
            }
        }
    }
    if (const orv::QSpectralSpatialScanComponent* component = container.GetSpectralSpatialScanComponent()) {
        if (component->GetBlockSize() != 8 + 4 * component->GetBlockPointCount()) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One layer for every input: its worker and channels stay idle (no pipes, nothing queued).
    static orv::QCommLayer layer;
    Input input(data, size);

    orv::QSetupScanCommand setup;
    setup.m_ScanKind = (input.Byte() & 1) != 0 ? 101 : 100;
    setup.SetSpatialLevel(input.Byte());
    const uint16_t rows = static_cast<uint16_t>(1 + input.Byte() % 8);
    const uint16_t columns = static_cast<uint16_t>(1 + input.Byte() % 8);
    orv::QProbeScanPattern pattern(rows, columns, 1, 0);
    const uint8_t probes = input.Byte();
    for (int cell = 0; cell < rows * columns; ++cell) {
        pattern.SetProbeAt(cell / columns, cell % columns, ((probes >> (cell % 8)) & 1) != 0 ? 1 : 0);
    }
    setup.SetProbeScanPattern(pattern);
    const uint8_t flags = input.Byte();
    setup.SetBlindSpotReduction(flags & 1);
    setup.SetInterleaveSkip((flags & 2) != 0 ? 1 : 0);
    setup.SetTracePointsPerCell(input.Byte() % 17);
    if ((flags & 4) == 0) {
        layer.SetCurrentSetupScanCommand(setup);
    }
    const std::vector<uint8_t> reply = FrameOf(setup);
    layer.HandleCommandReply(reply.data(), reply.size());

    while (!input.Empty()) {
        const uint8_t kind = input.Byte();
        const auto level = static_cast<int16_t>(static_cast<int8_t>(input.Byte()));
        const uint16_t subPosition = input.Word();
        if ((kind & 1) == 0) {
            orv::QZeltSpatialHandOver packet;
            packet.m_Level = level;
            packet.m_SubPosition = subPosition;
            packet.m_PassFlag = (kind & 2) != 0 ? 1 : 0;
            packet.m_Rows = static_cast<uint16_t>(input.Byte() % 40);
            packet.m_Columns = static_cast<uint16_t>(input.Byte() % 40);
            if (static_cast<uint32_t>(packet.m_Rows) * packet.m_Columns >
                orv::QZeltSpatialHandOver::kMaxCells) {
                packet.m_Rows = 29;
                packet.m_Columns = 42;
            }
            for (double& value : packet.m_Values) {
                value = static_cast<int16_t>(input.Word());
                if (input.Empty()) {
                    break;
                }
            }
            layer.ProcessZeltSpatialScanData(packet);
        } else {
            orv::QZeltSpectralSpatialHandOver component;
            component.m_Level = level;
            component.m_SubPosition = subPosition;
            component.m_Row = static_cast<int8_t>(input.Byte());
            component.m_Column = static_cast<int8_t>(input.Byte());
            component.m_PointCount = input.Byte() % 24;
            component.m_Values.resize(input.Byte() % 24, 0.0);
            for (double& value : component.m_Values) {
                value = static_cast<int16_t>(input.Word());
            }
            layer.ZeltSpectralSpatialScanData(component);
        }
    }
    while (auto container = layer.PopTransportContainer()) {
        CheckAssembled(*container);
    }
    return 0;
}

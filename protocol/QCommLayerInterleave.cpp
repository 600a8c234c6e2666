// The assembly of interleaved multi-level scans: each coarse cell measured at 2^L x 2^L
// sub-positions, one sub-position per packet, with an optional blind-spot pass whose values are
// merged into the first. Runs on the data channel's thread; the set-up reply prepares it on the
// command channel's thread, so the state is kept under m_InterleaveLock.

#include "core/QDataReader.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/msg/MessageTarget.h"
#include "protocol/QCommLayer.h"
#include "protocol/QCommLayerController.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orv {

namespace {

// The engine's spatial levels.
constexpr int32_t kMaxInterleaveLevel = 7;
// The grid assumed while no set-up is held.
constexpr int32_t kDefaultRows = 29;
constexpr int32_t kDefaultColumns = 42;
constexpr auto kContinuousPause = std::chrono::milliseconds(200);
constexpr auto kLastComponentPause = std::chrono::milliseconds(100);

uint16_t ClampToU16(int64_t value) {
    return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, UINT16_MAX));
}

} // namespace

struct QCommLayer::HeldSetup {
    bool held = false;
    int32_t level = 0;
};

QCommLayer::HeldSetup QCommLayer::ReadHeldSetup() const {
    HeldSetup setup;
    std::lock_guard<std::mutex> lock(m_SetupLock);
    if (m_pSetupScan) {
        setup.held = true;
        setup.level = m_pSetupScan->GetSpatialLevel();
    }
    return setup;
}

void QCommLayer::SubPositionOf(uint32_t k, int32_t subColumns, int32_t& subRow, int32_t& subColumn) {
    if (subColumns <= 0) {
        subRow = 0;
        subColumn = 0;
        return;
    }
    subRow = static_cast<int32_t>(k / static_cast<uint32_t>(subColumns));
    subColumn = static_cast<int32_t>(k % static_cast<uint32_t>(subColumns));
    if (subRow % 2 != 0) {
        subColumn = subColumns - 1 - subColumn;
    }
}

uint32_t QCommLayer::FineCellKey(int32_t row, int32_t column, int32_t subRow, int32_t subColumn) const {
    const uint64_t fineRow =
        static_cast<uint64_t>(row) * static_cast<uint64_t>(m_SubRows) + static_cast<uint64_t>(subRow);
    const uint64_t fineColumns = static_cast<uint64_t>(m_Columns) * static_cast<uint64_t>(m_SubColumns);
    return static_cast<uint32_t>(fineRow * fineColumns +
                                 static_cast<uint64_t>(column) * static_cast<uint64_t>(m_SubColumns) +
                                 static_cast<uint64_t>(subColumn));
}

void QCommLayer::PostScanProgress(int64_t received, int64_t expected) {
    QCommLayerController* controller = m_pController.load();
    MessageTarget* target = controller != nullptr ? controller->GetNotificationTarget() : nullptr;
    if (target != nullptr) {
        target->Post(kMsgScanProgress, static_cast<uint64_t>(std::max<int64_t>(received, 0)), expected);
    }
}

// ---- preparation ----

void QCommLayer::PrepareInterleavedBuffers(const QSetupScanCommand& reply) {
    const HeldSetup held = ReadHeldSetup();
    std::lock_guard<std::mutex> lock(m_InterleaveLock);
    const int32_t level = reply.GetSpatialLevel();
    const uint16_t kind = reply.GetScanKind();
    if (level > kMaxInterleaveLevel) {
        m_SpatialPrepared = false;
        m_SpectralSpatialPrepared = false;
        AddInformationMessage(
            1, FormatC("Interleaved scan of level %d: the levels run from 0 to %d; nothing is prepared.",
                       level, kMaxInterleaveLevel));
        return;
    }
    const QProbeScanPattern& pattern = reply.GetProbeScanPattern();
    const int32_t sub = 1 << level;
    if (kind == kTypeSpectralSpatialScanComponent) {
        m_SpatialPrepared = false;
        m_Rows = reply.GetRows();
        m_Columns = reply.GetColumns();
        m_BlindSpotMode = reply.GetBlindSpotReduction() == 1 ? 1 : 0;
        m_PointsPerCell = reply.GetTracePointsPerCell();
        m_Level = level;
        m_SubRows = sub;
        m_SubColumns = sub;
        const int64_t expected = int64_t{sub} * sub * pattern.GetProbeOnCount();
        m_SpectralSpatialExpected = static_cast<int32_t>(std::min<int64_t>(expected, INT32_MAX));
        m_SpectralSpatialFirstExpected = m_BlindSpotMode != 0 ? m_SpectralSpatialExpected : 0;
        m_SpectralSpatialReceived = 0;
        m_SpectralSpatialFirstReceived = 0;
        CleanupZeltpSpectralSpatialInterleavedBuffer();
        m_SpectralSpatialPrepared = true;
        return;
    }
    if (kind != kTypeSpatialScan) {
        return;
    }
    m_SpectralSpatialPrepared = false;
    m_SpatialPrepared = false;
    if (!held.held || reply.GetInterleaveSkip() != 0) {
        return;
    }
    std::vector<float>().swap(m_FineGrid);
    std::vector<uint8_t>().swap(m_FineFilled);
    m_Rows = reply.GetRows();
    m_Columns = reply.GetColumns();
    m_BlindSpotMode = reply.GetBlindSpotReduction() == 1 ? 1 : 0;
    m_Level = level;
    m_SubRows = sub;
    m_SubColumns = sub;
    m_SpatialExpected = sub * sub;
    m_SpatialFirstExpected = m_BlindSpotMode != 0 ? sub * sub : 0;
    m_SpatialReceived = 0;
    m_SpatialFirstReceived = 0;
    m_FineCellCount = static_cast<uint64_t>(m_Rows) * static_cast<uint64_t>(sub) *
                      static_cast<uint64_t>(m_Columns) * static_cast<uint64_t>(sub);
    try {
        m_FineGrid.assign(m_FineCellCount, 0.0F);
        m_FineFilled.assign(m_FineCellCount, 0);
    } catch (const std::bad_alloc&) {
        std::vector<float>().swap(m_FineGrid);
        std::vector<uint8_t>().swap(m_FineFilled);
        AddInformationMessage(1,
                              FormatC("Interleaved spatial scan of %llu fine cells: no memory for its grid.",
                                      static_cast<unsigned long long>(m_FineCellCount)));
        return;
    }
    m_ProbeOn.assign(static_cast<std::size_t>(m_Rows) * static_cast<std::size_t>(m_Columns), 0);
    for (int32_t r = 0; r < m_Rows; ++r) {
        for (int32_t c = 0; c < m_Columns; ++c) {
            m_ProbeOn[static_cast<std::size_t>(r) * static_cast<std::size_t>(m_Columns) +
                      static_cast<std::size_t>(c)] = pattern.IsProbeOn(r, c) ? 1 : 0;
        }
    }
    if (!m_FirstPassValues.empty()) {
        AddInformationMessage(1, "CleanupZeltpSpatialInterleavedBuffer() --- get a leftover.");
    }
    m_FirstPassValues.clear();
    m_HighestFirstPassRow = 0;
    m_SpatialPrepared = true;
}

// ---- spatial ----

void QCommLayer::ProcessZeltSpatialScanData(const QZeltSpatialHandOver& record) {
    const HeldSetup held = ReadHeldSetup();
    QCommLayerController* controller = m_pController.load();
    std::unique_lock<std::mutex> lock(m_InterleaveLock);
    if (record.m_Level != held.level) {
        AddInformationMessage(
            1, FormatC("Error:: different spatial level, level in data: %d; level in setting: %d",
                       record.m_Level, held.level));
    }
    if (!m_SpatialPrepared) {
        AddInformationMessage(
            1, "ProcessZeltSpatialScanData() --- skip: no interleaved spatial scan is set up.");
        return;
    }
    if (record.m_Level < 0 || record.m_Level > kMaxInterleaveLevel) {
        AddInformationMessage(1,
                              FormatC("ProcessZeltSpatialScanData() --- skip: level %d lies outside 0 to %d.",
                                      record.m_Level, kMaxInterleaveLevel));
        return;
    }
    if (record.m_Rows < m_Rows || record.m_Columns < m_Columns) {
        AddInformationMessage(
            1, FormatC("ProcessZeltSpatialScanData() --- skip: a grid of %d x %d does not cover "
                       "the set-up's %d x %d.",
                       record.m_Rows, record.m_Columns, m_Rows, m_Columns));
        return;
    }
    const uint64_t positions = static_cast<uint64_t>(m_SubRows) * static_cast<uint64_t>(m_SubColumns);
    if (record.m_SubPosition >= positions) {
        AddInformationMessage(
            1, FormatC("ProcessZeltSpatialScanData() --- skip: sub-position %u lies outside 0 to %llu.",
                       record.m_SubPosition, static_cast<unsigned long long>(positions - 1)));
        return;
    }
    int32_t subRow = 0;
    int32_t subColumn = 0;
    SubPositionOf(record.m_SubPosition, m_SubColumns, subRow, subColumn);
    const bool secondPass = record.m_PassFlag != 0;
    const bool blindSpot = m_BlindSpotMode != 0;

    for (int32_t r = 0; r < m_Rows; ++r) {
        for (int32_t c = 0; c < m_Columns; ++c) {
            if (m_ProbeOn[static_cast<std::size_t>(r) * static_cast<std::size_t>(m_Columns) +
                          static_cast<std::size_t>(c)] == 0) {
                continue;
            }
            const std::size_t cell =
                static_cast<std::size_t>(r) * record.m_Columns + static_cast<std::size_t>(c);
            float value = static_cast<float>(record.m_Values[cell]);
            const uint32_t key = FineCellKey(r, c, subRow, subColumn);
            if (blindSpot && !secondPass) {
                m_FirstPassValues[key] = value;
                m_HighestFirstPassRow = std::max(m_HighestFirstPassRow, r);
                continue;
            }
            if (blindSpot) {
                value = PrepareZeltpSpatialInterleavedBuffer(r, c, subRow, subColumn, value, m_Rows);
            }
            m_FineGrid[key] = value;
            m_FineFilled[key] = 1;
        }
    }

    if (blindSpot && !secondPass) {
        ++m_SpatialFirstReceived;
        AddInformationMessage(
            1, FormatC("CB_SpatialScanData() --- skip due to blindspot reduction. %d, expecting --- %d",
                       m_SpatialFirstReceived, m_SpatialFirstExpected));
        PostScanProgress(int64_t{m_SpatialReceived} + m_SpatialFirstReceived,
                         int64_t{m_SpatialExpected} + m_SpatialFirstExpected);
        return;
    }
    ++m_SpatialReceived;
    if (m_SpatialReceived > m_SpatialExpected) {
        AddInformationMessage(1, "ProcessZeltSpatialScanData() --- extra packets");
        return;
    }
    if (controller == nullptr || !controller->IsStopRequested()) {
        PostScanProgress(int64_t{m_SpatialReceived} + m_SpatialFirstReceived,
                         int64_t{m_SpatialExpected} + m_SpatialFirstExpected);
    }
    AddInformationMessage(
        1, FormatC("ProcessZeltSpatialScanData() --- Incoming packets:  %d;     Expecting:  %d",
                   m_SpatialReceived, m_SpatialExpected));
    if (m_SpatialReceived < m_SpatialExpected) {
        return;
    }
    std::unique_ptr<QDataPacket> complete =
        CompleteZeltpSpatialScan(blindSpot, m_SpatialExpected == 1, m_ProbeOn);
    DispatchDataPacket(std::move(complete));
    if (controller != nullptr && controller->IsContinuous()) {
        m_SpatialReceived = 0;
        m_SpatialFirstReceived = 0;
        AddInformationMessage(1, "Spatial scan continuously, start scan again...");
        lock.unlock();
        ClockSleep(kContinuousPause);
        PostScanProgress(0, 2);
    }
}

float QCommLayer::PrepareZeltpSpatialInterleavedBuffer(int32_t row, int32_t column, int32_t subRow,
                                                       int32_t subColumn, float value, int32_t rows) {
    const auto found = m_FirstPassValues.find(FineCellKey(row, column, subRow, subColumn));
    if (found == m_FirstPassValues.end()) {
        AddInformationMessage(
            1, FormatC("PrepareZeltpSpatialInterleavedBuffer() --- skip due to no data found at "
                       "[%d, %d]-[%d, %d].",
                       row, column, subRow, subColumn));
        return value;
    }
    const float result = found->second;
    m_FirstPassValues.erase(found);
    const int32_t below = std::min(row + 1, rows - 1);
    if (below > m_HighestFirstPassRow) {
        return result;
    }
    // The second pass sees, at row r, what the first saw at row r + 1.
    const auto next = m_FirstPassValues.find(FineCellKey(below, column, subRow, subColumn));
    if (next == m_FirstPassValues.end()) {
        AddInformationMessage(
            1, FormatC("PrepareZeltpSpatialInterleavedBuffer() --- skip due to no data found at "
                       "[%d, %d]-[%d, %d].",
                       below, column, subRow, subColumn));
    } else if (value > next->second) {
        next->second = value;
    }
    return result;
}

std::unique_ptr<QDataPacket> QCommLayer::CompleteZeltpSpatialScan(bool blindSpot, bool onePacket,
                                                                  const std::vector<uint8_t>& probeOn) {
    std::unique_ptr<QDataPacket> packet = m_Factory.CreateDataPacket(kTypeSpatialScan);
    auto& scan = static_cast<QSpatialScan&>(*packet);
    scan.SetHeader(1, static_cast<int8_t>(m_Level), 0, 0);
    scan.SetGridSize(static_cast<uint16_t>(m_Rows), static_cast<uint16_t>(m_Columns));
    std::vector<QSpatialFloatPoint> points;
    for (int32_t r = 0; r < m_Rows; ++r) {
        for (int32_t c = 0; c < m_Columns; ++c) {
            scan.SetStoredAmplitude(static_cast<uint16_t>(r), static_cast<uint16_t>(c), 100);
            if (probeOn[static_cast<std::size_t>(r) * static_cast<std::size_t>(m_Columns) +
                        static_cast<std::size_t>(c)] == 0) {
                continue;
            }
            for (int32_t s = 0; s < m_SubRows; ++s) {
                for (int32_t t = 0; t < m_SubColumns; ++t) {
                    const uint32_t key = FineCellKey(r, c, s, t);
                    QSpatialFloatPoint point;
                    point.m_Row = static_cast<int16_t>(r);
                    point.m_Column = static_cast<int16_t>(c);
                    point.m_SubRow = static_cast<int16_t>(s);
                    point.m_SubColumn = static_cast<int16_t>(t);
                    point.m_Amplitude = m_FineFilled[key] != 0 ? m_FineGrid[key] : kUnmeasured;
                    points.push_back(point);
                }
            }
        }
    }
    scan.SetInterleavedResult(blindSpot ? 1 : 0, onePacket ? 1 : 0, ClampToU16(m_SpatialReceived),
                              ClampToU16(m_SpatialExpected), std::move(points));
    return packet;
}

// ---- spectral/spatial ----

void QCommLayer::ZeltSpectralSpatialScanData(const QZeltSpectralSpatialHandOver& record) {
    std::unique_lock<std::mutex> lock(m_InterleaveLock);
    if (!m_SpectralSpatialPrepared) {
        AddInformationMessage(
            1, "ZeltSpectralSpatialScanData() --- skip: no interleaved spectral/spatial scan is set up.");
        return;
    }
    int32_t subRow = 0;
    int32_t subColumn = 0;
    SubPositionOf(record.m_SubPosition, m_SubColumns, subRow, subColumn);
    if (record.m_Row < 0 || record.m_Row >= m_Rows || record.m_Column < 0 || record.m_Column >= m_Columns ||
        subRow < 0 || subRow >= m_SubRows || subColumn < 0 || subColumn >= m_SubColumns) {
        AddInformationMessage(
            1, FormatC("ZeltSpectralSpatialScanData() --- skip due to getting illegal position data at "
                       "[%d, %d]-[%d, %d]",
                       record.m_Row, record.m_Column, subRow, subColumn));
        return;
    }
    const uint64_t actual = std::min<uint64_t>(record.m_PointCount, record.m_Values.size());
    if (actual < m_PointsPerCell) {
        AddInformationMessage(1,
                              FormatC("ZeltSpectralSpatialScanData() --- skip due to getting fewer data at "
                                      "[%d, %d]-[%d, %d]; expecting %u, actual %llu",
                                      record.m_Row, record.m_Column, subRow, subColumn, m_PointsPerCell,
                                      static_cast<unsigned long long>(actual)));
        return;
    }
    auto block = std::make_unique<SpectralSpatialBlock>();
    block->row = static_cast<uint16_t>(record.m_Row);
    block->column = static_cast<uint16_t>(record.m_Column);
    block->subRow = static_cast<uint16_t>(subRow);
    block->subColumn = static_cast<uint16_t>(subColumn);
    block->points.resize(m_PointsPerCell);
    for (uint32_t i = 0; i < m_PointsPerCell; ++i) {
        block->points[i] = static_cast<float>(record.m_Values[i]);
    }
    const uint32_t key = FineCellKey(record.m_Row, record.m_Column, subRow, subColumn);
    const bool blindSpot = m_BlindSpotMode != 0;

    // The engine's components carry no pass: the first pass is the first full count of them.
    if (blindSpot && m_SpectralSpatialFirstReceived < m_SpectralSpatialFirstExpected) {
        ++m_SpectralSpatialFirstReceived;
        PostScanProgress(int64_t{m_SpectralSpatialReceived} + m_SpectralSpatialFirstReceived,
                         int64_t{m_SpectralSpatialExpected} + m_SpectralSpatialFirstExpected);
        // A block stored again at its key replaces (and frees) the one before.
        m_FirstPassBlocks[key] = std::move(block);
        return;
    }
    ++m_SpectralSpatialReceived;
    if (m_SpectralSpatialReceived > m_SpectralSpatialExpected) {
        AddInformationMessage(1, "ZetlSpectralSpatialScanData() --- extra packets");
        return;
    }
    PostScanProgress(int64_t{m_SpectralSpatialReceived} + m_SpectralSpatialFirstReceived,
                     int64_t{m_SpectralSpatialExpected} + m_SpectralSpatialFirstExpected);
    AddInformationMessage(
        1, FormatC("ZeltSpectralSpatialScanData() --- Incoming packets:  %d;     Expecting:  %d     "
                   "--------- Row=%02d, Col=%02d,   SubRow=%02d, SubCol=%02d",
                   m_SpectralSpatialReceived, m_SpectralSpatialExpected, record.m_Row, record.m_Column,
                   subRow, subColumn));
    if (blindSpot) {
        PrepareZeltpSpectralSpatialInterleavedBuffer(*block);
    }

    std::vector<uint8_t> bytes(QSpectralSpatialScanComponent::kBlockHeadBytes +
                               block->points.size() * sizeof(float));
    const uint16_t head[4] = {block->row, block->column, block->subRow, block->subColumn};
    for (std::size_t k = 0; k < 4; ++k) {
        bytes[2 * k] = static_cast<uint8_t>(head[k] & 0xFF);
        bytes[2 * k + 1] = static_cast<uint8_t>(head[k] >> 8);
    }
    if (!block->points.empty()) {
        std::memcpy(bytes.data() + QSpectralSpatialScanComponent::kBlockHeadBytes, block->points.data(),
                    block->points.size() * sizeof(float));
    }
    std::unique_ptr<QDataPacket> packet = m_Factory.CreateDataPacket(kTypeSpectralSpatialScanComponent);
    auto& component = static_cast<QSpectralSpatialScanComponent&>(*packet);
    component.SetHeader(1, static_cast<int8_t>(m_Level), 0);
    component.SetCell(block->row, block->column, static_cast<uint16_t>(record.m_SubPosition));
    component.SetInterleavedBlock(blindSpot ? 1 : 0, m_PointsPerCell, std::move(bytes),
                                  ClampToU16(m_SpectralSpatialReceived),
                                  ClampToU16(m_SpectralSpatialExpected));
    block.reset();
    DispatchDataPacket(std::move(packet));

    if (m_SpectralSpatialReceived == m_SpectralSpatialExpected) {
        lock.unlock();
        ClockSleep(kLastComponentPause);
        lock.lock();
        if (blindSpot) {
            CleanupZeltpSpectralSpatialInterleavedBuffer();
        }
    }
}

void QCommLayer::PrepareZeltpSpectralSpatialInterleavedBuffer(SpectralSpatialBlock& block) {
    const uint32_t key = FineCellKey(block.row, block.column, block.subRow, block.subColumn);
    const auto found = m_FirstPassBlocks.find(key);
    if (found == m_FirstPassBlocks.end()) {
        AddInformationMessage(
            1, FormatC("PrepareZeltpSpectralSpatialInterleavedBuffer() --- skip due to no data found at "
                       "[%d, %d]-[%d, %d].",
                       block.row, block.column, block.subRow, block.subColumn));
        return;
    }
    const std::vector<float>& first = found->second->points;
    const std::size_t count = std::min(block.points.size(), first.size());
    for (std::size_t i = 0; i < count; ++i) {
        block.points[i] = std::max(block.points[i], first[i]);
    }
    m_FirstPassBlocks.erase(found);
}

void QCommLayer::CleanupZeltpSpectralSpatialInterleavedBuffer() {
    for (std::size_t k = 0; k < m_FirstPassBlocks.size(); ++k) {
        AddInformationMessage(1, "CleanupZeltpSpectralSpatialInterleavedBuffer() --- get a leftover.");
    }
    m_FirstPassBlocks.clear();
}

} // namespace orv

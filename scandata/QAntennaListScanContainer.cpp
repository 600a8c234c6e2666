#include "scandata/QAntennaListScanContainer.h"

#include "core/ByteCodec.h"
#include "core/QCorrectionData.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"

namespace orv {

QAntennaListScanContainer::QAntennaListScanContainer(std::vector<uint32_t> widths, bool storesPointCount)
    : m_Widths(std::move(widths)), m_StoresPointCount(storesPointCount), m_Lists(m_Widths.size()),
      m_ModuleScan(std::make_unique<QGeneralModuleScan>()) {}

QAntennaListScanContainer::~QAntennaListScanContainer() = default;

void QAntennaListScanContainer::WriteBody(QDataWriter& writer) const {
    writer.WriteI16(m_RawLow);
    writer.WriteI16(m_RawHigh);
    writer.WriteI16(m_CompensatedLow);
    writer.WriteI16(m_CompensatedHigh);
    if (m_StoresPointCount) {
        writer.WriteU32(m_PointCount);
    }
    for (size_t list = 0; list < m_Lists.size(); ++list) {
        const std::vector<uint32_t>& values = m_Lists[list];
        writer.WriteU32(static_cast<uint32_t>(values.size() / m_Widths[list]));
        if (values.empty()) {
            continue;
        }
        std::vector<uint8_t> block(values.size() * 4);
        uint8_t* cursor = block.data();
        for (const uint32_t value : values) {
            PutLE(cursor, value);
        }
        writer.Write(block.data(), static_cast<uint32_t>(block.size()));
    }
    writer.WriteU8(m_TrailerFlag);
    // A written list of records means the node holds scan data.
    if (!m_Lists.empty() && !m_Lists[0].empty()) {
        const_cast<QAntennaListScanContainer*>(this)->SetHasScanData(true);
    }
}

uint32_t QAntennaListScanContainer::GetBodySize() const {
    uint32_t size = 8 + (m_StoresPointCount ? 4 : 0) + 1;
    for (const std::vector<uint32_t>& values : m_Lists) {
        size += 4 + 4 * static_cast<uint32_t>(values.size());
    }
    return size;
}

void QAntennaListScanContainer::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(8);
    const int16_t rawLow = reader.ReadI16();
    const int16_t rawHigh = reader.ReadI16();
    const int16_t compensatedLow = reader.ReadI16();
    const int16_t compensatedHigh = reader.ReadI16();
    const uint32_t pointCount = m_StoresPointCount ? reader.ReadU32() : m_PointCount;
    std::vector<std::vector<uint32_t>> lists(m_Lists.size());
    for (size_t list = 0; list < lists.size(); ++list) {
        const int32_t count = reader.ReadI32();
        // A count of 0 or below leaves the list empty.
        if (count <= 0) {
            continue;
        }
        const uint64_t valueCount = static_cast<uint64_t>(count) * m_Widths[list];
        reader.RequireRemaining(valueCount * 4);
        std::vector<uint8_t> block(static_cast<size_t>(valueCount * 4));
        reader.Read(block.data(), static_cast<uint32_t>(block.size()));
        std::vector<uint32_t>& values = lists[list];
        values.resize(static_cast<size_t>(valueCount));
        const uint8_t* cursor = block.data();
        for (uint32_t& value : values) {
            value = GetLE<uint32_t>(cursor);
        }
    }
    const uint8_t trailer = reader.ReadU8();

    m_RawLow = rawLow;
    m_RawHigh = rawHigh;
    m_CompensatedLow = compensatedLow;
    m_CompensatedHigh = compensatedHigh;
    m_PointCount = pointCount;
    m_Lists.swap(lists);
    m_TrailerFlag = trailer;
    if (!m_Lists.empty() && !m_Lists[0].empty()) {
        SetHasScanData(true);
    }
}

void QAntennaListScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                              const QFrequencyBucketList* selection) {
    if (selection != nullptr) {
        return;
    }
    const bool compensated = QCorrectionData::IsSpectralCompensationOn();
    if (low != nullptr) {
        *low = static_cast<float>(compensated ? m_CompensatedLow : m_RawLow);
    }
    if (high != nullptr) {
        *high = static_cast<float>(compensated ? m_CompensatedHigh : m_RawHigh);
    }
}

void QAntennaListScanContainer::StartNewScan() {
    m_HasNewData = 0;
    m_ModuleScan = std::make_unique<QGeneralModuleScan>();
    m_Values.clear();
}

void QAntennaListScanContainer::ClearScanData() {
    if (!HasScanData()) {
        return;
    }
    m_ModuleScan = std::make_unique<QGeneralModuleScan>();
    m_Values.clear();
    m_RawLow = 0;
    m_RawHigh = 1;
    m_PointCount = 0;
    m_SecondValue = 0;
    m_Updated = 1;
}

std::span<const uint32_t> QAntennaListScanContainer::GetRecord(size_t list, size_t index) const {
    const std::vector<uint32_t>& values = m_Lists.at(list);
    const size_t width = m_Widths.at(list);
    if (index >= values.size() / width) {
        return {};
    }
    return std::span<const uint32_t>(values).subspan(index * width, width);
}

bool QAntennaListScanContainer::AppendRecord(size_t list, std::span<const uint32_t> values) {
    if (list >= m_Lists.size() || values.size() != m_Widths[list]) {
        return false;
    }
    m_Lists[list].insert(m_Lists[list].end(), values.begin(), values.end());
    return true;
}

void QAntennaListScanContainer::SetLevels(int16_t rawLow, int16_t rawHigh, int16_t compensatedLow,
                                          int16_t compensatedHigh) {
    m_RawLow = rawLow;
    m_RawHigh = rawHigh;
    m_CompensatedLow = compensatedLow;
    m_CompensatedHigh = compensatedHigh;
}

void QAntennaListScanContainer::SetModuleScan(std::unique_ptr<QGeneralModuleScan> record) {
    if (record) {
        m_ModuleScan = std::move(record);
    }
}

} // namespace orv

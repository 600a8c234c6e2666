#include "scandata/QCurrentClampModuleContainer.h"

#include "core/QCompensationDataStore.h"
#include "core/QCorrectionData.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QDeferredPrompts.h"
#include "scandata/QMeasuredFrequencyData.h"

#include <algorithm>
#include <utility>

namespace orv {

namespace {

uint32_t TextSize(const std::string& text) {
    return 4 + static_cast<uint32_t>(text.size());
}

void WriteLabels(QDataWriter& writer, const std::map<uint32_t, std::string>& labels) {
    writer.WriteU32(static_cast<uint32_t>(labels.size()));
    for (const auto& [key, text] : labels) {
        writer.WriteU32(key);
        WriteString(writer, text);
    }
}

std::map<uint32_t, std::string> ReadLabels(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    // Each entry holds at least its key and its text length.
    reader.RequireRemaining(static_cast<uint64_t>(count) * 8);
    std::map<uint32_t, std::string> labels;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t key = reader.ReadU32();
        std::string text;
        ReadString(reader, text);
        labels[key] = std::move(text);
    }
    return labels;
}

uint32_t LabelsSize(const std::map<uint32_t, std::string>& labels) {
    uint32_t size = 4;
    for (const auto& entry : labels) {
        size += 4 + TextSize(entry.second);
    }
    return size;
}

bool StoresName4(int32_t kind) {
    return kind == 1 || kind == 2;
}

} // namespace

QCurrentClampModuleContainer::QCurrentClampModuleContainer()
    : m_CableScan(std::make_unique<QCableScan>()), m_SecondCableScan(std::make_unique<QCableScan>()) {}

QCurrentClampModuleContainer::~QCurrentClampModuleContainer() = default;

QCurrentClampModuleContainer::Names QCurrentClampModuleContainer::Normalised(const Names& names, int32_t kind,
                                                                             uint32_t* renamed) const {
    const QCompensationDataStore& store = QCompensationDataStore::GetInstance();
    Names result = names;
    uint32_t changes = 0;
    const auto take = [&changes](std::string& name, std::string found) {
        if (!found.empty() && found != name) {
            name = std::move(found);
            ++changes;
        }
    };
    if (const int32_t index = store.FindSetByAlias1(result.m_Name1); index > 0) {
        take(result.m_Name1, store.GetSetName1(index));
    }
    // The second name is looked up within the group of the first, as the first now stands.
    if (const int32_t index = store.FindGroupSetByAlias(result.m_Name1, result.m_Name2); index > 0) {
        take(result.m_Name2, store.GetGroupSetName(index, result.m_Name1));
    }
    if (const int32_t index = store.FindSetByAlias3(result.m_Name3); index > 0) {
        take(result.m_Name3, store.GetSetName3(index));
    }
    if (kind == 1) {
        if (const int32_t index = store.FindSetByAlias4(result.m_Name4); index > 0) {
            take(result.m_Name4, store.GetSetName4(index));
        }
    } else if (kind == 2) {
        if (const int32_t index = store.FindSetByAlias5(result.m_Name4); index > 0) {
            take(result.m_Name4, store.GetSetName5(index));
        }
    }
    if (renamed != nullptr) {
        *renamed = changes;
    }
    return result;
}

void QCurrentClampModuleContainer::WriteBody(QDataWriter& writer) const {
    const Names names = Normalised(m_Names, m_TableKind, nullptr);
    writer.WriteI16(m_RawLow);
    writer.WriteI16(m_RawHigh);
    writer.WriteI16(m_CompensatedLow);
    writer.WriteI16(m_CompensatedHigh);
    writer.WriteU32(m_PointCount);
    writer.WriteU32(m_RecordSize);
    writer.WriteU16(m_Reserved16);
    WriteLabels(writer, m_Labels1);
    WriteLabels(writer, m_Labels2);
    writer.WriteU32(static_cast<uint32_t>(m_Frequencies.size()));
    for (const float frequency : m_Frequencies) {
        writer.WriteF32(frequency);
    }
    writer.WriteU32(static_cast<uint32_t>(m_CellTable.size()));
    for (const auto& [key, records] : m_CellTable) {
        writer.WriteU32(key);
        writer.WriteU32(static_cast<uint32_t>(records.size()));
        for (const CellRecord& record : records) {
            for (const uint32_t value : record) {
                writer.WriteU32(value);
            }
        }
    }
    writer.WriteI32(m_TableKind);
    if (StoresName4(m_TableKind)) {
        WriteString(writer, names.m_Name4);
    }
    writer.WriteU8(m_SetupFlag);
    writer.WriteF32(m_SetupValue1);
    writer.WriteF32(m_SetupValue2);
    WriteString(writer, names.m_Name1);
    WriteString(writer, names.m_Name2);
    WriteString(writer, names.m_Name3);
}

uint32_t QCurrentClampModuleContainer::GetBodySize() const {
    const Names names = Normalised(m_Names, m_TableKind, nullptr);
    uint32_t size = 4 * 2 + 4 + 4 + 2;
    size += LabelsSize(m_Labels1) + LabelsSize(m_Labels2);
    size += 4 + 4 * static_cast<uint32_t>(m_Frequencies.size());
    size += 4;
    for (const auto& entry : m_CellTable) {
        size += 8 + 16 * static_cast<uint32_t>(entry.second.size());
    }
    size += 4 + (StoresName4(m_TableKind) ? TextSize(names.m_Name4) : 0);
    size += 1 + 4 + 4;
    size += TextSize(names.m_Name1) + TextSize(names.m_Name2) + TextSize(names.m_Name3);
    return size;
}

void QCurrentClampModuleContainer::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(18);
    const int16_t rawLow = reader.ReadI16();
    const int16_t rawHigh = reader.ReadI16();
    const int16_t compensatedLow = reader.ReadI16();
    const int16_t compensatedHigh = reader.ReadI16();
    const uint32_t pointCount = reader.ReadU32();
    const uint32_t recordSize = reader.ReadU32();
    const uint16_t reserved = reader.ReadU16();
    std::map<uint32_t, std::string> labels1 = ReadLabels(reader);
    std::map<uint32_t, std::string> labels2 = ReadLabels(reader);

    const uint32_t frequencyCount = reader.ReadU32();
    reader.RequireRemaining(static_cast<uint64_t>(frequencyCount) * 4);
    std::vector<float> frequencies(frequencyCount);
    for (float& frequency : frequencies) {
        frequency = reader.ReadF32();
    }

    const uint32_t cellCount = reader.ReadU32();
    reader.RequireRemaining(static_cast<uint64_t>(cellCount) * 8);
    std::map<uint32_t, std::vector<CellRecord>> cells;
    for (uint32_t c = 0; c < cellCount; ++c) {
        const uint32_t key = reader.ReadU32();
        const uint32_t recordCount = reader.ReadU32();
        reader.RequireRemaining(static_cast<uint64_t>(recordCount) * 16);
        std::vector<CellRecord> records(recordCount);
        for (CellRecord& record : records) {
            for (uint32_t& value : record) {
                value = reader.ReadU32();
            }
        }
        cells[key] = std::move(records);
    }

    Names names;
    const int32_t kind = reader.ReadI32();
    if (StoresName4(kind)) {
        ReadString(reader, names.m_Name4);
    }
    reader.RequireRemaining(9);
    const uint8_t setupFlag = reader.ReadU8();
    const float setupValue1 = reader.ReadF32();
    const float setupValue2 = reader.ReadF32();
    ReadString(reader, names.m_Name1);
    ReadString(reader, names.m_Name2);
    ReadString(reader, names.m_Name3);

    uint32_t renamed = 0;
    Names normalised = Normalised(names, kind, &renamed);

    m_RawLow = rawLow;
    m_RawHigh = rawHigh;
    m_CompensatedLow = compensatedLow;
    m_CompensatedHigh = compensatedHigh;
    m_PointCount = pointCount;
    m_RecordSize = recordSize;
    m_Reserved16 = reserved;
    m_Labels1.swap(labels1);
    m_Labels2.swap(labels2);
    m_Frequencies.swap(frequencies);
    m_CellTable.swap(cells);
    m_TableKind = kind;
    m_SetupFlag = setupFlag;
    m_SetupValue1 = setupValue1;
    m_SetupValue2 = setupValue2;
    m_Names = std::move(normalised);

    // Told only once the body has been taken, so a read that fails shows nothing; the node reads
    // its body under its lock, so the boxes wait for its release.
    for (uint32_t i = 0; i < renamed; ++i) {
        QDeferredPrompts::Show({kRenamedText, kRenamedCaption, PromptButtons::Ok, PromptIcon::Warning});
    }
}

void QCurrentClampModuleContainer::GetLevelRange(float* low, float* high,
                                                 const QProbeScanPattern* /*pattern*/,
                                                 const QFrequencyBucketList* selection) {
    const bool compensated = QCorrectionData::IsSpectralCompensationOn();
    if (selection != nullptr) {
        float lowest = 2000.0f;
        float highest = -2000.0f;
        const std::vector<float>& forms =
            m_CompensatedSelector == 0 ? m_CompensatedValuesA : m_CompensatedValuesB;
        for (size_t i = 0; i < m_RangeValues.size(); ++i) {
            // A compensated form shorter than the list has no value for the rest: the raw one stands.
            const float value = compensated && i < forms.size() ? forms[i] : m_RangeValues[i];
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
        if (low != nullptr) {
            *low = lowest;
        }
        if (high != nullptr) {
            *high = highest;
        }
        return;
    }
    if (low != nullptr) {
        *low = static_cast<float>(compensated ? m_CompensatedLow : m_RawLow);
    }
    if (high != nullptr) {
        *high = static_cast<float>(compensated ? m_CompensatedHigh : m_RawHigh);
    }
}

void QCurrentClampModuleContainer::StartNewScan() {
    m_HasNewData = 0;
    m_CableScan = std::make_unique<QCableScan>();
    m_SecondCableScan = std::make_unique<QCableScan>();
    m_CompensatedValuesA.clear();
    m_CompensatedValuesB.clear();
}

void QCurrentClampModuleContainer::ClearScanData() {
    if (!HasScanData()) {
        return;
    }
    m_CableScan = std::make_unique<QCableScan>();
    m_SecondCableScan = std::make_unique<QCableScan>();
    m_CompensatedValuesA.clear();
    m_CompensatedValuesB.clear();
    m_RawLow = 0;
    m_RawHigh = 1;
    m_PointCount = 0;
    m_RecordSize = 0;
    m_Updated = 1;
}

void QCurrentClampModuleContainer::SetSetupTexts(int32_t kind, std::string name4, std::string name1,
                                                 std::string name2, std::string name3) {
    m_TableKind = kind;
    m_Names.m_Name4 = std::move(name4);
    m_Names.m_Name1 = std::move(name1);
    m_Names.m_Name2 = std::move(name2);
    m_Names.m_Name3 = std::move(name3);
}

QClampSetupTexts QCurrentClampModuleContainer::GetSetupTexts() const {
    QClampSetupTexts texts;
    texts.m_Kind = m_TableKind;
    texts.m_Name4 = m_Names.m_Name4;
    texts.m_Name1 = m_Names.m_Name1;
    texts.m_Name2 = m_Names.m_Name2;
    texts.m_Name3 = m_Names.m_Name3;
    return texts;
}

void QCurrentClampModuleContainer::SetFrequencyList(const QMeasuredFrequencyData& signals) {
    std::vector<float> frequencies(signals.GetEntryCount());
    for (uint32_t k = 0; k < frequencies.size(); ++k) {
        frequencies[k] = signals.GetEntryFrequency(k);
    }
    SetFrequencyList(std::move(frequencies));
}

void QCurrentClampModuleContainer::SetFrequencyList(std::vector<float> frequencies) {
    m_LevelsStale = 0;
    m_Frequencies = std::move(frequencies);
}

void QCurrentClampModuleContainer::SetLevels(int16_t rawLow, int16_t rawHigh, int16_t compensatedLow,
                                             int16_t compensatedHigh) {
    m_RawLow = rawLow;
    m_RawHigh = rawHigh;
    m_CompensatedLow = compensatedLow;
    m_CompensatedHigh = compensatedHigh;
}

void QCurrentClampModuleContainer::SetRangeValues(std::vector<float> values, std::vector<float> compensatedA,
                                                  std::vector<float> compensatedB, uint8_t selector) {
    m_RangeValues = std::move(values);
    m_CompensatedValuesA = std::move(compensatedA);
    m_CompensatedValuesB = std::move(compensatedB);
    m_CompensatedSelector = selector;
}

} // namespace orv

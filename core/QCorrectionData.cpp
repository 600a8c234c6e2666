#include "core/QCorrectionData.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QManagers.h"
#include "core/QTextLineReader.h"
#include "platform/ui/Prompt.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>

namespace orv {

namespace {

constexpr const char* kFolderName = "correctiondata";
constexpr const char* kListFileName = "correctionfile.txt";
constexpr const char* kRbwTimeFileName = "RBWTime.txt";

std::mutex g_storeLock;
std::unique_ptr<QCorrectionData> g_store;

// The scan-head record of that exact name. The catalogue answers its default id for a name it does
// not have, and a record stands under that id, so the name is compared once more.
const QScanHeadInfo* FindScanHead(const std::string& name) {
    const QManagerImpl<QScanHeadInfo>& heads = GetScanHeadInfoManager();
    const QScanHeadInfo* head = heads.Find(heads.GetIDByName(name));
    return (head != nullptr && head->m_name == name) ? head : nullptr;
}

struct ParsedList {
    float lowest = 0.0f;
    std::vector<QCorrectionListEntry> entries;
};

std::optional<ParsedList> ReadList(const std::string& path) {
    QTextLineReader reader;
    if (!reader.Open(path)) {
        QCorrectionData::ShowCannotOpenMessage();
        return std::nullopt;
    }
    std::vector<std::string_view> tokens;
    ParsedList list;
    if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
        return std::nullopt;
    }
    const std::optional<float> lowest = tokens.empty() ? 0.0f : LeadingFloat(tokens[0]);
    if (!lowest) {
        return std::nullopt;
    }
    list.lowest = *lowest;
    if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine || tokens.empty()) {
        return std::nullopt;
    }
    const int32_t rows = LeadingInt32(tokens[0]);
    if (rows < 1 || rows > QCorrectionData::kMaxRows) {
        return std::nullopt;
    }
    list.entries.reserve(static_cast<size_t>(rows));
    for (int32_t r = 0; r < rows; ++r) {
        if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine || tokens.size() < 3 ||
            tokens[2].size() > QCorrectionData::kMaxFileNameLength) {
            return std::nullopt;
        }
        const std::optional<float> frequency = LeadingFloat(tokens[1]);
        if (!frequency) {
            return std::nullopt;
        }
        QCorrectionListEntry entry;
        entry.m_id = LeadingInt32(tokens[0]);
        entry.m_frequency = *frequency;
        entry.m_fileName.assign(tokens[2]);
        list.entries.push_back(std::move(entry));
    }
    return list;
}

// A correction file named in a list must lie in the list's folder.
bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos && name != "." && name != "..";
}

} // namespace

std::atomic<bool> QCorrectionData::s_spectralCompensationOn{false};
std::atomic<bool> QCorrectionData::s_spatialCompensationOn{false};
std::atomic<float> QCorrectionData::s_spatialCompensationThreshold{0.0f};
std::atomic<bool> QCorrectionData::s_spectralSpatialMode{true};
std::atomic<bool> QCorrectionData::s_missingListNotice{false};

bool QCorrectionData::IsListFileMissing(std::string_view scanHeadName) {
    const std::string folder = GetScanHeadFolder(scanHeadName);
    std::error_code error;
    return folder.empty() || !std::filesystem::exists(folder + kListFileName, error);
}

QCorrectionData::QCorrectionData()
    : m_Tables(static_cast<size_t>(kSetCount) * kMaxRows * kMaxCells, 0.0f),
      m_ListEntries(static_cast<size_t>(kMaxRows)) {
    for (std::string& name : m_SetNames) {
        name = kEmptySetName;
    }
    LoadRbwTimes();
}

void QCorrectionData::ShowCannotOpenMessage() {
    ShowPrompt("cannot open this correction file ", "File Error ", PromptButtons::Ok, PromptIcon::None);
}

std::string QCorrectionData::GetCorrectionFolder() {
    const std::string application = GetInstrumentInfo().GetApplicationFolder();
    std::filesystem::path folder = application.empty() ? std::filesystem::path(kFolderName)
                                                       : std::filesystem::path(application) / kFolderName;
    return folder.string() + "/";
}

std::string QCorrectionData::GetScanHeadFolder(std::string_view scanHeadName) {
    if (scanHeadName.empty() || scanHeadName.find('/') != std::string_view::npos ||
        scanHeadName.find("..") != std::string_view::npos ||
        scanHeadName.find('\0') != std::string_view::npos) {
        return {};
    }
    return GetCorrectionFolder() + std::string(scanHeadName) + "/";
}

bool QCorrectionData::SelectSet(const std::string& scanHeadName) {
    std::lock_guard<std::mutex> guard(m_loadLock);
    return SelectSetLocked(scanHeadName);
}

bool QCorrectionData::SelectSetLocked(const std::string& scanHeadName) {
    const QScanHeadInfo* head = FindScanHead(scanHeadName);
    if (head == nullptr) {
        return false;
    }
    m_CellCount.store(static_cast<int32_t>(head->m_rowCount) * static_cast<int32_t>(head->m_columnCount));
    for (int32_t s = 1; s <= kSetCount; ++s) {
        // An empty set matches no name, whatever the name.
        if (m_SetNames[s - 1] == scanHeadName && m_RowCount[s - 1].load() > 0) {
            m_CurrentSet.store(s);
            return true;
        }
    }
    return false;
}

bool QCorrectionData::LoadCorrectionSet(int32_t /*cellCount*/, const std::string& folder,
                                        const std::string& scanHeadName) {
    std::lock_guard<std::mutex> guard(m_loadLock);
    return LoadCorrectionSetLocked(folder, scanHeadName);
}

bool QCorrectionData::LoadCorrectionSetLocked(const std::string& folder, const std::string& scanHeadName) {
    const int32_t s = m_NextSetSlot;
    m_NextSetSlot = std::min(s + 1, kSetCount);
    const size_t index = static_cast<size_t>(s - 1);
    m_SetNames[index] = scanHeadName;
    // No rows while the set is rewritten: a look-up meanwhile finds nothing rather than a mixture.
    m_RowCount[index].store(0);

    bool loaded = false;
    const int32_t cells = m_CellCount.load();
    if (cells >= 1 && cells <= kMaxCells) {
        std::optional<ParsedList> list = ReadList(folder + kListFileName);
        if (list) {
            loaded = true;
            const int32_t rows = static_cast<int32_t>(list->entries.size());
            for (int32_t r = 0; r < rows && loaded; ++r) {
                const QCorrectionListEntry& entry = list->entries[static_cast<size_t>(r)];
                m_RowFrequencies[index][r] = entry.m_frequency;
                loaded = IsPlainFileName(entry.m_fileName) &&
                         ReadCorrectionFile(folder + entry.m_fileName, cells,
                                            std::span<float>(Row(s, r), static_cast<size_t>(kMaxCells)));
            }
            if (loaded) {
                m_RowsAscending[index].store(
                    std::is_sorted(m_RowFrequencies[index], m_RowFrequencies[index] + rows));
                m_LowestFrequency[index] = list->lowest;
                std::move(list->entries.begin(), list->entries.end(), m_ListEntries.begin());
                m_RowCount[index].store(rows);
            }
        }
    }
    if (!loaded) {
        // Left empty, so that no selection finds the old factors under the new name; the slot is
        // taken again by the next load.
        m_SetNames[index] = kEmptySetName;
        m_NextSetSlot = s;
    }
    return loaded;
}

bool QCorrectionData::ParseCorrectionList(const std::string& path, int32_t set) {
    if (!IsSetNumber(set)) {
        return false;
    }
    std::optional<ParsedList> list = ReadList(path);
    if (!list) {
        return false;
    }
    std::lock_guard<std::mutex> guard(m_loadLock);
    const size_t index = static_cast<size_t>(set - 1);
    m_LowestFrequency[index] = list->lowest;
    const int32_t rows = static_cast<int32_t>(list->entries.size());
    // The row frequencies are filled by the caller: no ordering can be assumed.
    m_RowsAscending[index].store(false);
    std::move(list->entries.begin(), list->entries.end(), m_ListEntries.begin());
    m_RowCount[index].store(rows);
    return true;
}

bool QCorrectionData::ReadCorrectionFile(const std::string& path, int32_t count, std::span<float> out) {
    if (count < 1 || count > kMaxCells || static_cast<size_t>(count) > out.size()) {
        return false;
    }
    QTextLineReader reader;
    if (!reader.Open(path)) {
        QCorrectionData::ShowCannotOpenMessage();
        return false;
    }
    std::vector<float> factors(static_cast<size_t>(count));
    std::vector<std::string_view> tokens;
    for (float& factor : factors) {
        if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
            return false;
        }
        const std::optional<float> value = tokens.empty() ? 0.0f : LeadingFloat(tokens[0]);
        if (!value) {
            return false;
        }
        factor = *value;
    }
    std::copy(factors.begin(), factors.end(), out.begin());
    return true;
}

bool QCorrectionData::LoadRbwTimes() {
    m_RbwTimes.clear();
    QTextLineReader reader;
    if (!reader.Open(GetCorrectionFolder() + kRbwTimeFileName)) {
        return false;
    }
    std::vector<std::string_view> tokens;
    if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine || tokens.empty()) {
        return false;
    }
    const int32_t count = LeadingInt32(tokens[0]);
    if (count < 0) {
        return false;
    }
    std::map<float, float> times;
    for (int32_t i = 0; i < count; ++i) {
        if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
            return false;
        }
        const std::optional<float> key = tokens.empty() ? 0.0f : LeadingFloat(tokens[0]);
        const std::optional<float> value = tokens.size() < 2 ? 0.0f : LeadingFloat(tokens[1]);
        if (!key || !value) {
            return false;
        }
        times.try_emplace(*key, *value);
    }
    m_RbwTimes = std::move(times);
    return true;
}

int32_t QCorrectionData::ChooseSetForCurrentScanHead() {
    return ChooseSet(GetInstrumentInfo().GetScanHeadText());
}

int32_t QCorrectionData::ChooseSet(std::string_view scanHeadText) {
    const std::string name(scanHeadText.substr(0, scanHeadText.find(',')));
    const std::string folder = GetScanHeadFolder(name);
    if (folder.empty()) {
        return 0;
    }
    std::error_code error;
    if (!std::filesystem::exists(folder + kListFileName, error)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(m_loadLock);
    if (SelectSetLocked(name)) {
        return m_CurrentSet.load();
    }
    // A head the records do not know is never loaded: the load would take a slot from a good set.
    if (FindScanHead(name) == nullptr) {
        return 0;
    }
    if (!LoadCorrectionSetLocked(folder, name) || !SelectSetLocked(name)) {
        return 0;
    }
    return m_CurrentSet.load();
}

QCorrectionBracket QCorrectionData::FindPosition(int32_t set, float f) const {
    QCorrectionBracket bracket;
    const int32_t rows = GetRowCount(set);
    if (rows <= 0) {
        return bracket;
    }
    const float* frequencies = m_RowFrequencies[set - 1];
    if (std::isnan(f)) {
        return bracket; // matches no row: the first
    }
    if (frequencies[0] >= f) {
        bracket.m_position = 0.0f;
    } else if (rows >= 2 && frequencies[1] > f) {
        bracket.m_position = 0.5f;
    } else if (f >= frequencies[rows - 1]) {
        bracket.m_position = static_cast<float>(rows - 1);
        bracket.m_atLastRow = true;
    } else if (m_RowsAscending[set - 1].load()) {
        // The first row at or above f; on rows in ascending order this is the row that the walk
        // below would stop at, found in logarithmic time.
        const float* found = std::lower_bound(frequencies + 1, frequencies + rows - 1, f);
        const int32_t k = static_cast<int32_t>(found - frequencies);
        bracket.m_position = *found == f ? static_cast<float>(k) : static_cast<float>(k - 1) + 0.5f;
    } else {
        for (int32_t k = 1; k < rows; ++k) {
            if (f == frequencies[k]) {
                bracket.m_position = static_cast<float>(k);
                break;
            }
            if (k + 1 < rows && f > frequencies[k] && frequencies[k + 1] > f) {
                bracket.m_position = static_cast<float>(k) + 0.5f;
                break;
            }
        }
    }
    bracket.m_lower = static_cast<int32_t>(bracket.m_position);
    bracket.m_upper =
        bracket.m_position > static_cast<float>(bracket.m_lower) ? bracket.m_lower + 1 : bracket.m_lower;
    return bracket;
}

float QCorrectionData::GetFactorAt(int32_t set, int32_t cell, int32_t lower, int32_t upper, float f) const {
    const int32_t rows = GetRowCount(set);
    if (cell < 0 || cell >= kMaxCells || lower < 0 || upper < 0 || lower >= rows || upper >= rows) {
        return 0.0f;
    }
    const float low = Row(set, lower)[cell];
    if (upper <= lower) {
        return low;
    }
    const float* frequencies = m_RowFrequencies[set - 1];
    const float span = frequencies[upper] - frequencies[lower];
    if (!(span > 0.0f)) {
        return low;
    }
    const float high = Row(set, upper)[cell];
    return low + (high - low) * (f - frequencies[lower]) / span;
}

int32_t QCorrectionData::GetRowCount(int32_t set) const {
    return IsSetNumber(set) ? m_RowCount[set - 1].load() : 0;
}

float QCorrectionData::GetLowestFrequency(int32_t set) const {
    return IsSetNumber(set) ? m_LowestFrequency[set - 1] : 0.0f;
}

std::span<const float> QCorrectionData::GetRowFrequencies(int32_t set) const {
    if (!IsSetNumber(set)) {
        return {};
    }
    return std::span<const float>(m_RowFrequencies[set - 1], static_cast<size_t>(GetRowCount(set)));
}

float QCorrectionData::GetFactor(int32_t set, int32_t row, int32_t cell) const {
    if (row < 0 || row >= GetRowCount(set) || cell < 0 || cell >= kMaxCells) {
        return 0.0f;
    }
    return Row(set, row)[cell];
}

std::string QCorrectionData::GetSetName(int32_t set) const {
    if (!IsSetNumber(set)) {
        return {};
    }
    std::lock_guard<std::mutex> guard(m_loadLock);
    return m_SetNames[set - 1];
}

QCorrectionData& GetCorrectionData() {
    std::lock_guard<std::mutex> guard(g_storeLock);
    if (!g_store) {
        g_store = std::make_unique<QCorrectionData>();
    }
    return *g_store;
}

void DestroyCorrectionData() {
    std::lock_guard<std::mutex> guard(g_storeLock);
    g_store.reset();
}

} // namespace orv

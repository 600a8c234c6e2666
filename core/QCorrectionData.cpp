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
#include <utility>

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

// A list that cannot be opened sets *cannotOpen (the caller tells the user when it is safe to).
std::optional<ParsedList> ReadList(const std::string& path, bool* cannotOpen) {
    QTextLineReader reader;
    if (!reader.Open(path)) {
        *cannotOpen = true;
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

QCorrectionData::QCorrectionData() : m_ListEntries(static_cast<size_t>(kMaxRows)) {
    for (auto& set : m_Sets) {
        set = std::make_shared<const QCorrectionSet>(kEmptySetName);
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

void QCorrectionData::Show(const Messages& messages) {
    if (messages.m_cannotOpen) {
        ShowCannotOpenMessage();
    }
}

std::shared_ptr<const QCorrectionSet> QCorrectionData::GetSet(int32_t set) const {
    if (!IsSetNumber(set)) {
        static const std::shared_ptr<const QCorrectionSet> none = std::make_shared<const QCorrectionSet>("");
        return none;
    }
    std::lock_guard<std::mutex> guard(m_publishLock);
    return m_Sets[set - 1];
}

void QCorrectionData::Publish(int32_t set, std::shared_ptr<const QCorrectionSet> block) {
    std::shared_ptr<const QCorrectionSet> old;
    {
        std::lock_guard<std::mutex> guard(m_publishLock);
        old = std::exchange(m_Sets[set - 1], std::move(block));
    }
    // The old set is freed here, outside the lock, unless a look-up still holds it.
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
    m_ColumnCount.store(static_cast<int32_t>(head->m_columnCount));
    for (int32_t s = 1; s <= kSetCount; ++s) {
        const std::shared_ptr<const QCorrectionSet> set = GetSet(s);
        // An empty set matches no name, whatever the name.
        if (set->GetName() == scanHeadName && set->GetRowCount() > 0) {
            m_CurrentSet.store(s);
            return true;
        }
    }
    return false;
}

bool QCorrectionData::LoadCorrectionSet(int32_t /*cellCount*/, const std::string& folder,
                                        const std::string& scanHeadName) {
    Messages messages;
    bool loaded = false;
    {
        std::lock_guard<std::mutex> guard(m_loadLock);
        loaded = LoadCorrectionSetLocked(folder, scanHeadName, messages);
    }
    Show(messages);
    return loaded;
}

bool QCorrectionData::LoadCorrectionSetLocked(const std::string& folder, const std::string& scanHeadName,
                                              Messages& messages) {
    const int32_t s = m_NextSetSlot;
    m_NextSetSlot = std::min(s + 1, kSetCount);

    std::shared_ptr<const QCorrectionSet> block;
    const int32_t cells = m_CellCount.load();
    if (cells >= 1 && cells <= kMaxCells) {
        std::optional<ParsedList> list = ReadList(folder + kListFileName, &messages.m_cannotOpen);
        if (list) {
            const size_t rows = list->entries.size();
            std::vector<float> frequencies(rows);
            std::vector<float> factors(rows * static_cast<size_t>(cells));
            bool loaded = true;
            for (size_t r = 0; r < rows && loaded; ++r) {
                const QCorrectionListEntry& entry = list->entries[r];
                frequencies[r] = entry.m_frequency;
                loaded = IsPlainFileName(entry.m_fileName) &&
                         ReadFactors(folder + entry.m_fileName, cells,
                                     std::span<float>(factors).subspan(r * static_cast<size_t>(cells),
                                                                       static_cast<size_t>(cells)),
                                     messages);
            }
            if (loaded) {
                block =
                    std::make_shared<const QCorrectionSet>(scanHeadName, list->lowest, std::move(frequencies),
                                                           std::move(factors), cells, m_ColumnCount.load());
                std::lock_guard<std::mutex> guard(m_publishLock);
                std::move(list->entries.begin(), list->entries.end(), m_ListEntries.begin());
            }
        }
    }
    if (!block) {
        // Left empty, so that no selection finds the old factors under the new name; the slot is
        // taken again by the next load.
        m_NextSetSlot = s;
        Publish(s, std::make_shared<const QCorrectionSet>(kEmptySetName));
        return false;
    }
    Publish(s, std::move(block));
    return true;
}

bool QCorrectionData::ParseCorrectionList(const std::string& path, int32_t set) {
    if (!IsSetNumber(set)) {
        return false;
    }
    bool cannotOpen = false;
    std::optional<ParsedList> list = ReadList(path, &cannotOpen);
    if (cannotOpen) {
        ShowCannotOpenMessage();
    }
    if (!list) {
        return false;
    }
    std::vector<float> frequencies;
    frequencies.reserve(list->entries.size());
    for (const QCorrectionListEntry& entry : list->entries) {
        frequencies.push_back(entry.m_frequency);
    }
    std::lock_guard<std::mutex> guard(m_loadLock);
    const std::shared_ptr<const QCorrectionSet> old = GetSet(set);
    // The rows are known, their factors not yet: a set of rows without cells, which answer 0.
    Publish(set, std::make_shared<const QCorrectionSet>(old->GetName(), list->lowest, std::move(frequencies),
                                                        std::vector<float>(), 0, old->GetColumnCount()));
    std::lock_guard<std::mutex> publish(m_publishLock);
    std::move(list->entries.begin(), list->entries.end(), m_ListEntries.begin());
    return true;
}

bool QCorrectionData::ReadCorrectionFile(const std::string& path, int32_t count, std::span<float> out) {
    Messages messages;
    const bool read = ReadFactors(path, count, out, messages);
    Show(messages);
    return read;
}

bool QCorrectionData::ReadFactors(const std::string& path, int32_t count, std::span<float> out,
                                  Messages& messages) {
    if (count < 1 || count > kMaxCells || static_cast<size_t>(count) > out.size()) {
        return false;
    }
    QTextLineReader reader;
    if (!reader.Open(path)) {
        messages.m_cannotOpen = true;
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
    std::map<float, float> times;
    const bool read = [&] {
        QTextLineReader reader;
        if (!reader.Open(GetCorrectionFolder() + kRbwTimeFileName)) {
            return false;
        }
        std::vector<std::string_view> tokens;
        if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine || tokens.empty()) {
            return false;
        }
        const int32_t count = LeadingInt32(tokens[0]);
        // Every entry takes a line of at least its line feed: a count the file cannot hold fails
        // at once, before any of it is read.
        if (count < 0 || static_cast<uint64_t>(count) > reader.GetFileSize()) {
            return false;
        }
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
        return true;
    }();
    if (!read) {
        times.clear();
    }
    std::lock_guard<std::mutex> guard(m_publishLock);
    m_RbwTimes = std::move(times);
    return read;
}

int32_t QCorrectionData::ChooseSetForCurrentScanHead() {
    return TakeSetForCurrentScanHead().m_number;
}

int32_t QCorrectionData::ChooseSet(std::string_view scanHeadText) {
    return TakeSet(scanHeadText).m_number;
}

QChosenCorrectionSet QCorrectionData::TakeSetForCurrentScanHead() {
    return TakeSet(GetInstrumentInfo().GetScanHeadText());
}

QChosenCorrectionSet QCorrectionData::TakeSet(std::string_view scanHeadText) {
    const std::string name(scanHeadText.substr(0, scanHeadText.find(',')));
    const std::string folder = GetScanHeadFolder(name);
    if (folder.empty()) {
        return {};
    }
    std::error_code error;
    if (!std::filesystem::exists(folder + kListFileName, error)) {
        return {};
    }
    Messages messages;
    QChosenCorrectionSet chosen;
    {
        std::lock_guard<std::mutex> guard(m_loadLock);
        bool selected = SelectSetLocked(name);
        // A head the records do not know is never loaded: the load would take a slot from a good set.
        if (!selected && FindScanHead(name) != nullptr) {
            selected = LoadCorrectionSetLocked(folder, name, messages) && SelectSetLocked(name);
        }
        if (selected) {
            // Taken under the load lock: no other load can replace the set in between.
            chosen.m_number = m_CurrentSet.load();
            chosen.m_set = GetSet(chosen.m_number);
        }
    }
    Show(messages);
    return chosen;
}

std::string QCorrectionData::GetSetName(int32_t set) const {
    return IsSetNumber(set) ? GetSet(set)->GetName() : std::string();
}

QCorrectionListEntry QCorrectionData::GetListEntry(int32_t index) const {
    std::lock_guard<std::mutex> guard(m_publishLock);
    return m_ListEntries.at(static_cast<size_t>(index));
}

std::map<float, float> QCorrectionData::GetRbwTimes() const {
    std::lock_guard<std::mutex> guard(m_publishLock);
    return m_RbwTimes;
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

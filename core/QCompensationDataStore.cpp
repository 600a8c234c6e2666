#include "core/QCompensationDataStore.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QTextLineReader.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

namespace orv {

namespace {

constexpr const char* kFolderName = "GlobalCompensationData";

// A table name becomes a file name; it must not lead out of the table folder.
bool IsSafeTableName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find("..") == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// The float of token i of a line; a token that is not there reads as 0.0.
std::optional<float> TokenFloat(const std::vector<std::string_view>& tokens, size_t i) {
    return i < tokens.size() ? LeadingFloat(tokens[i]) : std::optional<float>(0.0f);
}

} // namespace

QCompensationDataStore& QCompensationDataStore::GetInstance() {
    static QCompensationDataStore store;
    return store;
}

std::string QCompensationDataStore::GetTableFolder() {
    const std::string application = GetInstrumentInfo().GetApplicationFolder();
    std::filesystem::path folder = application.empty() ? std::filesystem::path(kFolderName)
                                                       : std::filesystem::path(application) / kFolderName;
    return folder.string() + "/";
}

bool QCompensationDataStore::LoadTable(const std::string& name, QCompensationTable* loaded) {
    QCompensationTable table;
    bool ok = false;
    if (IsSafeTableName(name)) {
        const std::string path = GetTableFolder() + name + ".txt";
        std::error_code error;
        if (std::filesystem::exists(path, error)) {
            ok = ReadTableFile(path, table);
        }
    }
    if (!ok) {
        // A failed load holds no rows and the header values of a fresh table.
        table = QCompensationTable();
    }
    if (loaded != nullptr) {
        *loaded = table;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_table = std::move(table);
    return ok;
}

bool QCompensationDataStore::ReadTableFile(const std::string& path, QCompensationTable& table) {
    QTextLineReader reader;
    if (!reader.Open(path)) {
        QCorrectionData::ShowCannotOpenMessage();
        return false;
    }
    std::vector<std::string_view> tokens;
    if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
        return false;
    }
    const std::optional<float> low = TokenFloat(tokens, 0);
    const std::optional<float> high = TokenFloat(tokens, 1);
    if (!low || !high) {
        return false;
    }
    if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
        return false;
    }
    const int32_t value = tokens.empty() ? 0 : LeadingInt32(tokens[0]);
    if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
        return false;
    }
    const int32_t rowCount = tokens.empty() ? 0 : LeadingInt32(tokens[0]);
    if (rowCount <= 0) {
        return false;
    }
    // Rows are appended as they are read, never reserved by the announced count: a file that
    // announces more rows than it holds fails at its end without a large allocation.
    std::vector<QCompensationRow> rows;
    for (int32_t r = 0; r < rowCount; ++r) {
        if (reader.ReadTokenLine(tokens) != QTextLineReader::Result::kLine) {
            return false;
        }
        QCompensationRow row{};
        for (size_t i = 0; i < row.size(); ++i) {
            const std::optional<float> number = TokenFloat(tokens, i);
            if (!number) {
                return false;
            }
            row[i] = *number;
        }
        rows.push_back(row);
    }
    table.m_LowFrequency = *low;
    table.m_HighFrequency = *high;
    table.m_TableValue = value;
    table.m_TableRows = std::move(rows);
    return true;
}

QCompensationTable QCompensationDataStore::GetTable() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_table;
}

bool QCompensationDataStore::AddSetName(int32_t list, const std::string& setName,
                                        std::vector<std::string> aliases) {
    AliasMap* map = nullptr;
    switch (list) {
    case 1:
        map = &m_SetNames1;
        break;
    case 3:
        map = &m_SetNames3;
        break;
    case 4:
        map = &m_SetNames4;
        break;
    case 5:
        map = &m_SetNames5;
        break;
    default:
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    (*map)[setName] = std::move(aliases);
    return true;
}

void QCompensationDataStore::AddGroupSetName(const std::string& groupKey, const std::string& setName,
                                             std::vector<std::string> aliases) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_SetNames2[groupKey][setName] = std::move(aliases);
}

std::string QCompensationDataStore::NameAt(const AliasMap& map, int32_t index) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (index < 1 || static_cast<size_t>(index) > map.size()) {
        return {};
    }
    return std::next(map.begin(), index - 1)->first;
}

int32_t QCompensationDataStore::FindAlias(const AliasMap& map, const std::string& name) const {
    std::lock_guard<std::mutex> guard(m_lock);
    int32_t position = 1;
    for (const auto& [setName, aliases] : map) {
        for (const std::string& alias : aliases) {
            if (alias == name) {
                return position;
            }
        }
        ++position;
    }
    return 0;
}

std::string QCompensationDataStore::GetGroupSetName(int32_t index, const std::string& groupKey) const {
    AliasMap group;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_SetNames2.find(groupKey);
        if (found == m_SetNames2.end()) {
            return {};
        }
        group = found->second;
    }
    return NameAt(group, index);
}

int32_t QCompensationDataStore::FindGroupSetByAlias(const std::string& groupKey,
                                                    const std::string& name) const {
    AliasMap group;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_SetNames2.find(groupKey);
        if (found == m_SetNames2.end()) {
            return 0;
        }
        group = found->second;
    }
    return FindAlias(group, name);
}

} // namespace orv

#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

// One row of a compensation table: four numbers (the users take the first as the frequency and the
// second as the value).
using QCompensationRow = std::array<float, 4>;

// A compensation table as loaded; a table that failed to load is this default: no rows.
struct QCompensationTable {
    std::string m_TableName = "New";
    std::string m_TableUnit = "New";
    float m_LowFrequency = 0.0f;
    float m_HighFrequency = 200000.0f;
    int32_t m_TableValue = 0;
    std::vector<QCompensationRow> m_TableRows;
};

// The application-wide store of compensation tables for cable, current-clamp and ambient
// measurements, read from application folder/"GlobalCompensationData"/<name>.txt, and the lists
// of compensation-set names with their alternative names by which the containers pick a table.
//
// The table loaded last is swapped in whole under the store's lock, so a reader on another thread
// sees either the old table or the new one; LoadTable also hands the loaded table to its caller.
class QCompensationDataStore {
public:
    // The set-name lists: 1, 3, 4 and 5 map a set name to its alternative names; 2 is grouped by a
    // group key (a set name of list 1).
    using AliasMap = std::map<std::string, std::vector<std::string>>;

    QCompensationDataStore() = default;
    QCompensationDataStore(const QCompensationDataStore&) = delete;
    QCompensationDataStore& operator=(const QCompensationDataStore&) = delete;

    // The one store, made on first use (thread-safe) and kept to the end of the program.
    static QCompensationDataStore& GetInstance();

    // Application folder/"GlobalCompensationData"/.
    static std::string GetTableFolder();

    // Loads the table of that name. Whatever happens, the table held before is dropped first. False,
    // with no rows held, when the file is missing or cannot be read, the name could leave the table
    // folder, the row count is 0 or below, or the file ends before its rows.
    bool LoadTable(const std::string& name, QCompensationTable* loaded = nullptr);
    // A copy of the table loaded last.
    QCompensationTable GetTable() const;

    // Registers a set name with its alternative names in list 1, 3, 4 or 5 (false for another list
    // number), or in the group of list 2.
    bool AddSetName(int32_t list, const std::string& setName, std::vector<std::string> aliases);
    void AddGroupSetName(const std::string& groupKey, const std::string& setName,
                         std::vector<std::string> aliases);

    // The set name at the 1-based position in name order; empty past the end.
    std::string GetSetName1(int32_t index) const { return NameAt(m_SetNames1, index); }
    std::string GetSetName3(int32_t index) const { return NameAt(m_SetNames3, index); }
    std::string GetSetName4(int32_t index) const { return NameAt(m_SetNames4, index); }
    std::string GetSetName5(int32_t index) const { return NameAt(m_SetNames5, index); }
    // The 1-based position (in name order) of the first set whose alternative names hold the name
    // (compared exactly); 0 when none does.
    int32_t FindSetByAlias1(const std::string& name) const { return FindAlias(m_SetNames1, name); }
    int32_t FindSetByAlias3(const std::string& name) const { return FindAlias(m_SetNames3, name); }
    int32_t FindSetByAlias4(const std::string& name) const { return FindAlias(m_SetNames4, name); }
    int32_t FindSetByAlias5(const std::string& name) const { return FindAlias(m_SetNames5, name); }
    // The same two look-ups within one group of list 2.
    std::string GetGroupSetName(int32_t index, const std::string& groupKey) const;
    int32_t FindGroupSetByAlias(const std::string& groupKey, const std::string& name) const;

private:
    std::string NameAt(const AliasMap& map, int32_t index) const;
    int32_t FindAlias(const AliasMap& map, const std::string& name) const;
    static bool ReadTableFile(const std::string& path, QCompensationTable& table);

    mutable std::mutex m_lock;
    QCompensationTable m_table;
    AliasMap m_SetNames1;
    std::map<std::string, AliasMap> m_SetNames2;
    AliasMap m_SetNames3;
    AliasMap m_SetNames4;
    AliasMap m_SetNames5;
};

} // namespace orv

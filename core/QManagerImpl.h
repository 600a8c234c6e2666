#pragma once

#include "core/QException.h"
#include "core/QManager.h"

#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace orv {

class QSystemMessage;

// What a catalogue answers for a name it does not have.
inline constexpr const char* kNoNameForID = "NoNameForID";

// Tells the user that a record of a device list cannot be read: a message box with no owner, the
// exception's text, the caption "Invalid Device Information" and an OK button.
void ReportInvalidDeviceInformation(const std::string& message);

// The catalogue of one record kind T (a QManaged kind constructible from (text, id)): owns its records
// in ascending id order.
template <class T> class QManagerImpl : public QManager {
    static_assert(std::is_base_of_v<QManaged, T>, "catalogues hold QManaged kinds");

public:
    explicit QManagerImpl(int32_t defaultId) : m_defaultId(defaultId) {}

    int32_t GetDefaultID() const override { return m_defaultId; }
    int32_t GetCount() const override { return static_cast<int32_t>(m_records.size()); }

    void GetNames(std::vector<std::string>& names) const override {
        for (const auto& [id, record] : m_records) {
            names.push_back(record->m_name);
        }
    }

    bool Contains(int32_t id) const override { return m_records.find(id) != m_records.end(); }

    std::string GetName(int32_t id) const override {
        if constexpr (std::is_same_v<T, QSystemMessage>) {
            // A message number that is missing shows the fallback message kept under the default id.
            if (!Contains(id)) {
                id = m_defaultId;
            }
        }
        const T* record = Find(id);
        return record ? record->m_name : std::string(kNoNameForID);
    }

    int32_t GetIDByName(const std::string& name) const override {
        for (const auto& [id, record] : m_records) {
            if (record->m_name == name) {
                return id;
            }
        }
        return m_defaultId;
    }

    void AddRecords(std::vector<QRegistryEntry> entries) override {
        for (const QRegistryEntry& entry : entries) {
            if (Contains(entry.m_id)) {
                continue;
            }
            std::unique_ptr<T> record;
            try {
                record = std::make_unique<T>(entry.m_text, entry.m_id);
            } catch (const QParseException& error) {
                ReportInvalidDeviceInformation(error.m_message);
                continue;
            }
            // Under the id the record reports: the one it was made with.
            const int32_t id = record->m_id;
            m_records.try_emplace(id, std::move(record));
        }
    }

    std::unique_ptr<QManaged> Remove(int32_t id) override {
        const auto found = m_records.find(id);
        if (found == m_records.end()) {
            return nullptr;
        }
        std::unique_ptr<QManaged> record = std::move(found->second);
        m_records.erase(found);
        return record;
    }

    // Inserts a record under its own id; a record already there under that id is destroyed and
    // replaced (the built-in records are inserted this way). A null record is ignored.
    void Insert(std::unique_ptr<T> record) {
        if (record) {
            const int32_t id = record->m_id;
            m_records.insert_or_assign(id, std::move(record));
        }
    }

    // The record with that id, or null; the catalogue keeps it.
    const T* Find(int32_t id) const {
        const auto found = m_records.find(id);
        return found == m_records.end() ? nullptr : found->second.get();
    }

private:
    int32_t m_defaultId;
    std::map<int32_t, std::unique_ptr<T>> m_records;
};

} // namespace orv

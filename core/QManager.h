#pragma once

#include "core/QManaged.h"
#include "core/QRegistryEntry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// A catalogue of records keyed by id, independent of the record kind (see QManagerImpl).
class QManager {
public:
    QManager() = default;
    QManager(const QManager&) = delete;
    QManager& operator=(const QManager&) = delete;
    // Destroys every record.
    virtual ~QManager() = default;

    virtual int32_t GetDefaultID() const = 0;
    virtual int32_t GetCount() const = 0;
    // Appends every record's name at the end of `names`, in ascending id order.
    virtual void GetNames(std::vector<std::string>& names) const = 0;
    virtual bool Contains(int32_t id) const = 0;
    // The record's name; "NoNameForID" when no record has the id.
    virtual std::string GetName(int32_t id) const = 0;
    // The id of the first record (ascending ids) whose name equals `name` exactly; the default id when
    // none does.
    virtual int32_t GetIDByName(const std::string& name) const = 0;
    // Makes a record from every pair whose id is not present yet, in list order. A pair whose text
    // cannot be parsed is reported once ("Invalid Device Information") and skipped; the pairs after it
    // are still added.
    virtual void AddRecords(std::vector<QRegistryEntry> entries) = 0;
    // Takes the record out of the catalogue and hands it to the caller; empty when the id is absent.
    virtual std::unique_ptr<QManaged> Remove(int32_t id) = 0;
};

} // namespace orv

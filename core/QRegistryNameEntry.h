#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// An (id, name) pair that may head a chain of further pairs; an entry owns the rest of its chain.
class QRegistryNameEntry {
public:
    QRegistryNameEntry(int32_t id, std::string name) : m_id(id), m_name(std::move(name)) {}
    // Unlinks the chain one entry at a time, so a long chain cannot exhaust the stack.
    ~QRegistryNameEntry();
    QRegistryNameEntry(const QRegistryNameEntry&) = delete;
    QRegistryNameEntry& operator=(const QRegistryNameEntry&) = delete;

    int32_t m_id = 0;
    std::string m_name;
    std::unique_ptr<QRegistryNameEntry> m_next;
};

} // namespace orv

#pragma once

#include <cstdint>
#include <string>

namespace orv {

// A record of one of the small catalogues (drivers, analysers, messages, scan heads, palettes...):
// a number that keys it and a name by which users pick it. The catalogues own their records and
// destroy them through this base.
class QManaged {
public:
    QManaged(int32_t id, std::string name) : m_id(id), m_name(std::move(name)) {}
    virtual ~QManaged();

    int32_t GetID() const { return m_id; }
    const std::string& GetName() const { return m_name; }

    int32_t m_id = 0;
    std::string m_name;
};

} // namespace orv

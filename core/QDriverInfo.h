#pragma once

#include "core/QManaged.h"

namespace orv {

// An analyser driver, known by its name. Made from an (id, text) pair of the device lists.
class QDriverInfo : public QManaged {
public:
    QDriverInfo(std::string name, int32_t id) : QManaged(id, std::move(name)) {}
};

} // namespace orv

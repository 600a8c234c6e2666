#pragma once

#include "core/QManaged.h"

namespace orv {

// A numbered message of the system; its name is the text shown to the user. Made from an (id, text) pair of
// the device lists.
class QSystemMessage : public QManaged {
public:
    QSystemMessage(std::string name, int32_t id) : QManaged(id, std::move(name)) {}
};

} // namespace orv

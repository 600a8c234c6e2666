#pragma once

#include "core/QManaged.h"

namespace orv {

// An analyser model, known by its name. Made from an (id, text) pair of the device lists.
class QAnalyzerInfo : public QManaged {
public:
    QAnalyzerInfo(std::string name, int32_t id) : QManaged(id, std::move(name)) {}
};

} // namespace orv

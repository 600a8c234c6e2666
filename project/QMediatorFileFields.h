#pragma once

#include "project/QProjectFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// What the project file keeps of a node beyond its frame and its scan lists, held by the mediator
// that owns the node (the fundamental mediator): the IDs of the reference nodes that were linked to
// the node when it was stored (read from the mediator data block of its body, resolved once the
// whole tree is read), the node flag and values of a spectral/spatial scan node, and the report text
// of a Word report node (its report selection is the base mediator's).
//
// The project-file model finds it on a mediator by dynamic_cast (on the own mediator of a proxy). A
// mediator without it keeps none of these: they are written as empty.
class QMediatorFileFields {
public:
    QMediatorFileFields() = default;
    QMediatorFileFields(const QMediatorFileFields&) = delete;
    QMediatorFileFields& operator=(const QMediatorFileFields&) = delete;
    virtual ~QMediatorFileFields();

    // Hands over the node IDs read from the data block and forgets them.
    virtual std::vector<uint32_t> TakePendingLinks() = 0;

    virtual QProjectNodeValues GetNodeValues() const = 0;
    virtual void SetNodeValues(const QProjectNodeValues& values) = 0;

    virtual std::string GetReportText() const = 0;
    virtual void SetReportText(std::string text) = 0;
};

} // namespace orv

#include "analyzers/drivers/generic/GenericAnalyzerFlags.h"

namespace orv {

GenericAnalyzerFlags& GenericAnalyzerFlags::Instance() {
    static GenericAnalyzerFlags flags;
    return flags;
}

} // namespace orv

#include "project/QExportFileChooser.h"

#include <mutex>
#include <utility>

namespace orv {

namespace {

struct ChooserState {
    std::mutex mutex;
    std::shared_ptr<QExportFileChooser> chooser;
};

ChooserState& State() {
    static ChooserState* const state = new ChooserState();
    return *state;
}

} // namespace

std::shared_ptr<QExportFileChooser> InstallExportFileChooser(std::shared_ptr<QExportFileChooser> chooser) {
    ChooserState& state = State();
    std::lock_guard lock(state.mutex);
    return std::exchange(state.chooser, std::move(chooser));
}

std::shared_ptr<QExportFileChooser> GetExportFileChooser() {
    ChooserState& state = State();
    std::lock_guard lock(state.mutex);
    return state.chooser;
}

} // namespace orv

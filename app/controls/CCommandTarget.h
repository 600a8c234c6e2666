#pragma once

#include <cstdint>
#include <optional>

// A window that handles menu and tool-bar commands by their numbers (the frames). Tool bars and the
// status bar find it among their owners and parents.
namespace orv {

class CCommandTarget {
public:
    virtual ~CCommandTarget() = default;
    // True when the command was handled.
    virtual bool OnCommand(uint32_t commandId) = 0;
    // Whether the command is available now; nullopt when the window does not decide it (the button
    // keeps its state).
    virtual std::optional<bool> IsCommandEnabled(uint32_t commandId) = 0;
};

} // namespace orv

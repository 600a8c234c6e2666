#pragma once

// Stands in for the debugger output of the Windows program: diagnostic texts that no user sees.
// They go to standard error unless a sink is installed; tests capture them with DebugOutputCapture.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Callable from any thread; the text is passed on as it is (callers end their lines with "\n").
void OutputDebugString(std::string_view text);

using DebugOutputSink = std::function<void(std::string_view)>;
// Installs a sink and returns the previous one; an empty sink brings back standard error. The sink is
// called under a lock, one text at a time.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// Collects the debug output for its lifetime, then puts the previous sink back.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> Texts() const;

private:
    struct Shared {
        std::mutex mutex;
        std::vector<std::string> texts;
    };
    std::shared_ptr<Shared> m_shared;
    DebugOutputSink m_previous;
};

} // namespace orv

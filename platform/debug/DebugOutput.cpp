#include "platform/debug/DebugOutput.h"

#include <cstdio>

namespace orv {

namespace {

struct SinkHolder {
    std::recursive_mutex mutex;
    DebugOutputSink sink;
};

SinkHolder& GetSinkHolder() {
    // Never destroyed: threads may still write while the process ends.
    static SinkHolder* const holder = new SinkHolder();
    return *holder;
}

} // namespace

void OutputDebugString(std::string_view text) {
    SinkHolder& holder = GetSinkHolder();
    std::lock_guard lock(holder.mutex);
    if (holder.sink) {
        holder.sink(text);
    } else {
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
    SinkHolder& holder = GetSinkHolder();
    std::lock_guard lock(holder.mutex);
    std::swap(holder.sink, sink);
    return sink;
}

DebugOutputCapture::DebugOutputCapture() : m_shared(std::make_shared<Shared>()) {
    m_previous = SetDebugOutputSink([shared = m_shared](std::string_view text) {
        std::lock_guard lock(shared->mutex);
        shared->texts.emplace_back(text);
    });
}

DebugOutputCapture::~DebugOutputCapture() {
    SetDebugOutputSink(std::move(m_previous));
}

std::vector<std::string> DebugOutputCapture::Texts() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->texts;
}

} // namespace orv

#include "platform/vendor/SharedLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace orv {

SharedLibrary::SharedLibrary(void* handle, std::string fileName)
    : m_handle(handle), m_fileName(std::move(fileName)) {}

SharedLibrary::~SharedLibrary() {
    dlclose(m_handle);
}

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& fileName) {
    if (fileName.empty()) {
        return nullptr;
    }
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle, fileName));
}

void* SharedLibrary::Find(const char* symbol) const {
    return dlsym(m_handle, symbol);
}

std::vector<std::string> SplitLibraryList(std::string_view text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view item = text.substr(start, end - start);
        const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (!item.empty() && blank(item.front())) {
            item.remove_prefix(1);
        }
        while (!item.empty() && blank(item.back())) {
            item.remove_suffix(1);
        }
        if (!item.empty()) {
            items.emplace_back(item);
        }
        start = end + 1;
    }
    return items;
}

} // namespace orv

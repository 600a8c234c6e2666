#pragma once

// A maker's device library loaded at run time: the first of the configured names that loads and
// exports every function of its table. A library that lacks one function is not used. Connections
// and drivers hold the library by a shared pointer, so it stays mapped while any of them may call
// into it.
//
// Where the names come from (platform/vendor/DeviceLibraryConfiguration.h): the environment when
// the variable is set (tests), else the machine setting, else the built-in default.

#include "platform/vendor/SharedLibrary.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv::vendor {

// Functions: a table of function pointers with `bool Resolve(const SharedLibrary&)`, which fills
// every pointer and tells whether all were found.
template <class Functions> class DeviceLibrary {
public:
    static std::shared_ptr<const DeviceLibrary> Load(const std::vector<std::string>& fileNames) {
        for (const std::string& fileName : fileNames) {
            std::unique_ptr<SharedLibrary> library = SharedLibrary::Open(fileName);
            if (library == nullptr) {
                continue;
            }
            Functions functions;
            if (functions.Resolve(*library)) {
                return std::shared_ptr<const DeviceLibrary>(new DeviceLibrary(std::move(library), functions));
            }
        }
        return nullptr;
    }
    // A library made of the given functions (tests: a function table of their own).
    static std::shared_ptr<const DeviceLibrary> FromFunctions(const Functions& functions) {
        return std::shared_ptr<const DeviceLibrary>(new DeviceLibrary(nullptr, functions));
    }

    const Functions& Get() const { return m_functions; }

private:
    DeviceLibrary(std::unique_ptr<SharedLibrary> library, const Functions& functions)
        : m_library(std::move(library)), m_functions(functions) {}

    std::unique_ptr<SharedLibrary> m_library;
    Functions m_functions;
};

} // namespace orv::vendor

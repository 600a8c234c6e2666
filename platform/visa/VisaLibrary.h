#pragma once

// Loading the VISA library by the names the analyser side asks for. Asked for "visa32.dll", the
// layer tries the configured vendor libraries in order (platform/visa/VisaConfiguration.h) and takes
// the first that loads and exports all eleven entry points; a library that lacks one is not used.
// When none does, it answers with its built-in layer, which serves TCPIP SOCKET resources itself.
// Asked for "agvisa32.dll" it tries the configured libraries only, and any other name is loaded as
// that shared library. The library stays loaded as long as the object lives: whoever copies its entry
// points must not outlive it.

#include "platform/vendor/SharedLibrary.h"
#include "platform/visa/VisaEntryPoints.h"

#include <memory>
#include <string>
#include <string_view>

namespace orv::visa {

class VisaLibrary {
public:
    // nullptr when nothing could be loaded under that name.
    static std::unique_ptr<VisaLibrary> Load(std::string_view name);
    // A library made of the given entry points (a layer that wraps another; tests).
    static std::unique_ptr<VisaLibrary> FromEntryPoints(const VisaEntryPoints& entryPoints);
    ~VisaLibrary();
    VisaLibrary(const VisaLibrary&) = delete;
    VisaLibrary& operator=(const VisaLibrary&) = delete;

    // An entry point by its exported name ("viOpen"), or nullptr.
    void* FindEntryPoint(std::string_view name) const;
    const VisaEntryPoints& EntryPoints() const { return m_entryPoints; }
    bool IsBuiltin() const { return m_library == nullptr; }
    // The vendor library's file name as it was loaded; empty for the built-in layer.
    const std::string& GetLibraryName() const { return m_libraryName; }

private:
    VisaLibrary(std::unique_ptr<SharedLibrary> library, std::string libraryName,
                const VisaEntryPoints& entryPoints);
    static std::unique_ptr<VisaLibrary> LoadVendor(const std::string& fileName);

    std::unique_ptr<SharedLibrary> m_library;
    std::string m_libraryName;
    VisaEntryPoints m_entryPoints;
};

} // namespace orv::visa

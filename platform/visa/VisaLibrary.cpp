#include "platform/visa/VisaLibrary.h"

#include "platform/visa/BuiltinVisa.h"
#include "platform/visa/VisaConfiguration.h"

#include <dlfcn.h>

namespace orv::visa {

namespace {

template <class Fn> void Resolve(void* handle, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace

VisaLibrary::VisaLibrary(void* handle, std::string libraryName, const VisaEntryPoints& entryPoints)
    : m_handle(handle), m_libraryName(std::move(libraryName)), m_entryPoints(entryPoints) {}

VisaLibrary::~VisaLibrary() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

std::unique_ptr<VisaLibrary> VisaLibrary::LoadVendor(const std::string& fileName) {
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return nullptr;
    }
    VisaEntryPoints entryPoints;
    Resolve(handle, "viOpenDefaultRM", entryPoints.viOpenDefaultRM);
    Resolve(handle, "viOpen", entryPoints.viOpen);
    Resolve(handle, "viClose", entryPoints.viClose);
    Resolve(handle, "viFindRsrc", entryPoints.viFindRsrc);
    Resolve(handle, "viFindNext", entryPoints.viFindNext);
    Resolve(handle, "viSetAttribute", entryPoints.viSetAttribute);
    Resolve(handle, "viGetAttribute", entryPoints.viGetAttribute);
    Resolve(handle, "viRead", entryPoints.viRead);
    Resolve(handle, "viScanf", entryPoints.viScanf);
    Resolve(handle, "viPrintf", entryPoints.viPrintf);
    Resolve(handle, "viFlush", entryPoints.viFlush);
    if (!entryPoints.IsComplete()) {
        dlclose(handle);
        return nullptr;
    }
    return std::unique_ptr<VisaLibrary>(new VisaLibrary(handle, fileName, entryPoints));
}

std::unique_ptr<VisaLibrary> VisaLibrary::Load(std::string_view name) {
    const bool standardName = name == "visa32.dll";
    if (standardName || name == "agvisa32.dll") {
        for (const std::string& fileName : GetVisaLibraryNames()) {
            if (std::unique_ptr<VisaLibrary> library = LoadVendor(fileName)) {
                return library;
            }
        }
        if (standardName) {
            return std::unique_ptr<VisaLibrary>(new VisaLibrary(nullptr, {}, BuiltinVisaEntryPoints()));
        }
        return nullptr;
    }
    return LoadVendor(std::string(name));
}

std::unique_ptr<VisaLibrary> VisaLibrary::FromEntryPoints(const VisaEntryPoints& entryPoints) {
    return std::unique_ptr<VisaLibrary>(new VisaLibrary(nullptr, {}, entryPoints));
}

void* VisaLibrary::FindEntryPoint(std::string_view name) const {
    const void* const slots[11] = {reinterpret_cast<const void*>(m_entryPoints.viOpenDefaultRM),
                                   reinterpret_cast<const void*>(m_entryPoints.viOpen),
                                   reinterpret_cast<const void*>(m_entryPoints.viClose),
                                   reinterpret_cast<const void*>(m_entryPoints.viFindRsrc),
                                   reinterpret_cast<const void*>(m_entryPoints.viFindNext),
                                   reinterpret_cast<const void*>(m_entryPoints.viSetAttribute),
                                   reinterpret_cast<const void*>(m_entryPoints.viGetAttribute),
                                   reinterpret_cast<const void*>(m_entryPoints.viRead),
                                   reinterpret_cast<const void*>(m_entryPoints.viScanf),
                                   reinterpret_cast<const void*>(m_entryPoints.viPrintf),
                                   reinterpret_cast<const void*>(m_entryPoints.viFlush)};
    for (size_t i = 0; i < 11; ++i) {
        if (name == kEntryPointNames[i]) {
            return const_cast<void*>(slots[i]);
        }
    }
    return nullptr;
}

} // namespace orv::visa

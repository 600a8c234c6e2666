#include "platform/visa/VisaLibrary.h"

#include "platform/visa/BuiltinVisa.h"
#include "platform/visa/VisaConfiguration.h"

#include <utility>

namespace orv::visa {

VisaLibrary::VisaLibrary(std::unique_ptr<SharedLibrary> library, std::string libraryName,
                         const VisaEntryPoints& entryPoints)
    : m_library(std::move(library)), m_libraryName(std::move(libraryName)), m_entryPoints(entryPoints) {}

VisaLibrary::~VisaLibrary() = default;

std::unique_ptr<VisaLibrary> VisaLibrary::LoadVendor(const std::string& fileName) {
    std::unique_ptr<SharedLibrary> handle = SharedLibrary::Open(fileName);
    if (handle == nullptr) {
        return nullptr;
    }
    VisaEntryPoints entryPoints;
    handle->Find("viOpenDefaultRM", entryPoints.viOpenDefaultRM);
    handle->Find("viOpen", entryPoints.viOpen);
    handle->Find("viClose", entryPoints.viClose);
    handle->Find("viFindRsrc", entryPoints.viFindRsrc);
    handle->Find("viFindNext", entryPoints.viFindNext);
    handle->Find("viSetAttribute", entryPoints.viSetAttribute);
    handle->Find("viGetAttribute", entryPoints.viGetAttribute);
    handle->Find("viRead", entryPoints.viRead);
    handle->Find("viScanf", entryPoints.viScanf);
    handle->Find("viPrintf", entryPoints.viPrintf);
    handle->Find("viFlush", entryPoints.viFlush);
    if (!entryPoints.IsComplete()) {
        return nullptr;
    }
    return std::unique_ptr<VisaLibrary>(new VisaLibrary(std::move(handle), fileName, entryPoints));
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

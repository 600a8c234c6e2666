#include "platform/vendor/RsaApi.h"

#include "platform/vendor/DeviceLibraryConfiguration.h"

#include <array>

namespace orv::vendor {

namespace {

template <class Fn> void ResolveOne(const SharedLibrary& library, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(library.Find(name));
}

} // namespace

bool RsaApiFunctions::IsComplete() const {
    const std::array<const void*, 18> slots{reinterpret_cast<const void*>(DEVICE_Search),
                                            reinterpret_cast<const void*>(DEVICE_Connect),
                                            reinterpret_cast<const void*>(DEVICE_Disconnect),
                                            reinterpret_cast<const void*>(DEVICE_Run),
                                            reinterpret_cast<const void*>(DEVICE_Stop),
                                            reinterpret_cast<const void*>(CONFIG_Preset),
                                            reinterpret_cast<const void*>(CONFIG_SetRFPreampEnable),
                                            reinterpret_cast<const void*>(CONFIG_SetRFAttenuator),
                                            reinterpret_cast<const void*>(CONFIG_SetCenterFreq),
                                            reinterpret_cast<const void*>(CONFIG_SetReferenceLevel),
                                            reinterpret_cast<const void*>(SPECTRUM_SetEnable),
                                            reinterpret_cast<const void*>(SPECTRUM_SetDefault),
                                            reinterpret_cast<const void*>(SPECTRUM_GetLimits),
                                            reinterpret_cast<const void*>(SPECTRUM_GetSettings),
                                            reinterpret_cast<const void*>(SPECTRUM_SetSettings),
                                            reinterpret_cast<const void*>(SPECTRUM_AcquireTrace),
                                            reinterpret_cast<const void*>(SPECTRUM_WaitForTraceReady),
                                            reinterpret_cast<const void*>(SPECTRUM_GetTrace)};
    for (const void* slot : slots) {
        if (slot == nullptr) {
            return false;
        }
    }
    return true;
}

bool RsaApiFunctions::Resolve(const SharedLibrary& library) {
    ResolveOne(library, kRsaApiFunctionNames[0], DEVICE_Search);
    ResolveOne(library, kRsaApiFunctionNames[1], DEVICE_Connect);
    ResolveOne(library, kRsaApiFunctionNames[2], DEVICE_Disconnect);
    ResolveOne(library, kRsaApiFunctionNames[3], DEVICE_Run);
    ResolveOne(library, kRsaApiFunctionNames[4], DEVICE_Stop);
    ResolveOne(library, kRsaApiFunctionNames[5], CONFIG_Preset);
    ResolveOne(library, kRsaApiFunctionNames[6], CONFIG_SetRFPreampEnable);
    ResolveOne(library, kRsaApiFunctionNames[7], CONFIG_SetRFAttenuator);
    ResolveOne(library, kRsaApiFunctionNames[8], CONFIG_SetCenterFreq);
    ResolveOne(library, kRsaApiFunctionNames[9], CONFIG_SetReferenceLevel);
    ResolveOne(library, kRsaApiFunctionNames[10], SPECTRUM_SetEnable);
    ResolveOne(library, kRsaApiFunctionNames[11], SPECTRUM_SetDefault);
    ResolveOne(library, kRsaApiFunctionNames[12], SPECTRUM_GetLimits);
    ResolveOne(library, kRsaApiFunctionNames[13], SPECTRUM_GetSettings);
    ResolveOne(library, kRsaApiFunctionNames[14], SPECTRUM_SetSettings);
    ResolveOne(library, kRsaApiFunctionNames[15], SPECTRUM_AcquireTrace);
    ResolveOne(library, kRsaApiFunctionNames[16], SPECTRUM_WaitForTraceReady);
    ResolveOne(library, kRsaApiFunctionNames[17], SPECTRUM_GetTrace);
    return IsComplete();
}

std::shared_ptr<const RsaApiLibrary> LoadRsaApiLibrary() {
    return RsaApiLibrary::Load(GetRsaApiLibraryNames());
}

} // namespace orv::vendor

#include "platform/vendor/RsaApi.h"

#include "platform/vendor/DeviceLibraryConfiguration.h"

#include <array>

namespace orv::vendor {

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
    library.Find(kRsaApiFunctionNames[0], DEVICE_Search);
    library.Find(kRsaApiFunctionNames[1], DEVICE_Connect);
    library.Find(kRsaApiFunctionNames[2], DEVICE_Disconnect);
    library.Find(kRsaApiFunctionNames[3], DEVICE_Run);
    library.Find(kRsaApiFunctionNames[4], DEVICE_Stop);
    library.Find(kRsaApiFunctionNames[5], CONFIG_Preset);
    library.Find(kRsaApiFunctionNames[6], CONFIG_SetRFPreampEnable);
    library.Find(kRsaApiFunctionNames[7], CONFIG_SetRFAttenuator);
    library.Find(kRsaApiFunctionNames[8], CONFIG_SetCenterFreq);
    library.Find(kRsaApiFunctionNames[9], CONFIG_SetReferenceLevel);
    library.Find(kRsaApiFunctionNames[10], SPECTRUM_SetEnable);
    library.Find(kRsaApiFunctionNames[11], SPECTRUM_SetDefault);
    library.Find(kRsaApiFunctionNames[12], SPECTRUM_GetLimits);
    library.Find(kRsaApiFunctionNames[13], SPECTRUM_GetSettings);
    library.Find(kRsaApiFunctionNames[14], SPECTRUM_SetSettings);
    library.Find(kRsaApiFunctionNames[15], SPECTRUM_AcquireTrace);
    library.Find(kRsaApiFunctionNames[16], SPECTRUM_WaitForTraceReady);
    library.Find(kRsaApiFunctionNames[17], SPECTRUM_GetTrace);
    return IsComplete();
}

std::shared_ptr<const RsaApiLibrary> LoadRsaApiLibrary() {
    return RsaApiLibrary::Load(GetRsaApiLibraryNames());
}

} // namespace orv::vendor

#include "platform/vendor/BbApi.h"

#include "platform/vendor/DeviceLibraryConfiguration.h"

namespace orv::vendor {

bool BbApiFunctions::IsComplete() const {
    return bbGetSerialNumberList != nullptr && bbOpenDeviceBySerialNumber != nullptr &&
           bbCloseDevice != nullptr && bbConfigureAcquisition != nullptr &&
           bbConfigureCenterSpan != nullptr && bbConfigureLevel != nullptr && bbConfigureGain != nullptr &&
           bbConfigureSweepCoupling != nullptr && bbConfigureProcUnits != nullptr && bbInitiate != nullptr &&
           bbQueryTraceInfo != nullptr && bbFetchTrace_32f != nullptr && bbGetErrorString != nullptr;
}

bool BbApiFunctions::Resolve(const SharedLibrary& library) {
    library.Find(kBbApiFunctionNames[0], bbGetSerialNumberList);
    library.Find(kBbApiFunctionNames[1], bbOpenDeviceBySerialNumber);
    library.Find(kBbApiFunctionNames[2], bbCloseDevice);
    library.Find(kBbApiFunctionNames[3], bbConfigureAcquisition);
    library.Find(kBbApiFunctionNames[4], bbConfigureCenterSpan);
    library.Find(kBbApiFunctionNames[5], bbConfigureLevel);
    library.Find(kBbApiFunctionNames[6], bbConfigureGain);
    library.Find(kBbApiFunctionNames[7], bbConfigureSweepCoupling);
    library.Find(kBbApiFunctionNames[8], bbConfigureProcUnits);
    library.Find(kBbApiFunctionNames[9], bbInitiate);
    library.Find(kBbApiFunctionNames[10], bbQueryTraceInfo);
    library.Find(kBbApiFunctionNames[11], bbFetchTrace_32f);
    library.Find(kBbApiFunctionNames[12], bbGetErrorString);
    return IsComplete();
}

std::shared_ptr<const BbApiLibrary> LoadBbApiLibrary() {
    return BbApiLibrary::Load(GetBbApiLibraryNames());
}

} // namespace orv::vendor

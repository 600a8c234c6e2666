#include "platform/vendor/BbApi.h"

#include "platform/vendor/DeviceLibraryConfiguration.h"

namespace orv::vendor {

namespace {

template <class Fn> void ResolveOne(const SharedLibrary& library, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(library.Find(name));
}

} // namespace

bool BbApiFunctions::IsComplete() const {
    return bbGetSerialNumberList != nullptr && bbOpenDeviceBySerialNumber != nullptr &&
           bbCloseDevice != nullptr && bbConfigureAcquisition != nullptr &&
           bbConfigureCenterSpan != nullptr && bbConfigureLevel != nullptr && bbConfigureGain != nullptr &&
           bbConfigureSweepCoupling != nullptr && bbConfigureProcUnits != nullptr && bbInitiate != nullptr &&
           bbQueryTraceInfo != nullptr && bbFetchTrace_32f != nullptr && bbGetErrorString != nullptr;
}

bool BbApiFunctions::Resolve(const SharedLibrary& library) {
    ResolveOne(library, kBbApiFunctionNames[0], bbGetSerialNumberList);
    ResolveOne(library, kBbApiFunctionNames[1], bbOpenDeviceBySerialNumber);
    ResolveOne(library, kBbApiFunctionNames[2], bbCloseDevice);
    ResolveOne(library, kBbApiFunctionNames[3], bbConfigureAcquisition);
    ResolveOne(library, kBbApiFunctionNames[4], bbConfigureCenterSpan);
    ResolveOne(library, kBbApiFunctionNames[5], bbConfigureLevel);
    ResolveOne(library, kBbApiFunctionNames[6], bbConfigureGain);
    ResolveOne(library, kBbApiFunctionNames[7], bbConfigureSweepCoupling);
    ResolveOne(library, kBbApiFunctionNames[8], bbConfigureProcUnits);
    ResolveOne(library, kBbApiFunctionNames[9], bbInitiate);
    ResolveOne(library, kBbApiFunctionNames[10], bbQueryTraceInfo);
    ResolveOne(library, kBbApiFunctionNames[11], bbFetchTrace_32f);
    ResolveOne(library, kBbApiFunctionNames[12], bbGetErrorString);
    return IsComplete();
}

std::shared_ptr<const BbApiLibrary> LoadBbApiLibrary() {
    return BbApiLibrary::Load(GetBbApiLibraryNames());
}

} // namespace orv::vendor

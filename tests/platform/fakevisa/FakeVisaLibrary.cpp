// A stand-in vendor VISA library for the loader's tests: the eleven C entry points, each answering in
// a way the test can recognise. Built a second time without viFlush to show that such a library is
// passed over.

#include <cstdarg>
#include <cstdint>
#include <cstring>

#define ORV_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr uint32_t kFakeManager = 4242;
} // namespace

ORV_FAKE_EXPORT int32_t viOpenDefaultRM(uint32_t* manager) {
    *manager = kFakeManager;
    return 0;
}
ORV_FAKE_EXPORT int32_t viOpen(uint32_t, const char*, uint32_t, uint32_t, uint32_t* session) {
    *session = 7;
    return 0;
}
ORV_FAKE_EXPORT int32_t viClose(uint32_t) {
    return 0;
}
ORV_FAKE_EXPORT int32_t viFindRsrc(uint32_t, const char*, uint32_t* list, uint32_t* count, char* name) {
    *list = 9;
    *count = 1;
    std::strcpy(name, "FAKE0::1::INSTR");
    return 0;
}
ORV_FAKE_EXPORT int32_t viFindNext(uint32_t, char*) {
    return -1;
}
ORV_FAKE_EXPORT int32_t viSetAttribute(uint32_t, uint32_t, uint64_t) {
    return 0;
}
ORV_FAKE_EXPORT int32_t viGetAttribute(uint32_t, uint32_t, void*) {
    return 0;
}
ORV_FAKE_EXPORT int32_t viRead(uint32_t, unsigned char* buffer, uint32_t count, uint32_t* returned) {
    const uint32_t n = count < 4 ? count : 4;
    std::memcpy(buffer, "FAKE", n);
    *returned = n;
    return 0;
}
ORV_FAKE_EXPORT int32_t viScanf(uint32_t, const char*, ...) {
    return 0;
}
ORV_FAKE_EXPORT int32_t viPrintf(uint32_t, const char*, ...) {
    return 0;
}
#ifndef ORV_FAKE_VISA_WITHOUT_FLUSH
ORV_FAKE_EXPORT int32_t viFlush(uint32_t, uint16_t) {
    return 0;
}
#endif

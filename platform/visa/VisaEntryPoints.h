#pragma once

// The eleven VISA entry points that connections and drivers call, as one table of function pointers.
// A connection fills the table from the library it loaded (a vendor library or our built-in layer)
// and each driver copies it; calls go through these pointers only.

#include "platform/visa/VisaTypes.h"

namespace orv::visa {

extern "C" {
using ViOpenDefaultRMFn = Status (*)(Session* resourceManager);
using ViOpenFn = Status (*)(Session resourceManager, const char* resource, AccessMode mode,
                            uint32_t timeoutMs, Session* session);
using ViCloseFn = Status (*)(Session object);
using ViFindRsrcFn = Status (*)(Session resourceManager, const char* expression, Session* findList,
                                uint32_t* count, char* description);
using ViFindNextFn = Status (*)(Session findList, char* description);
using ViSetAttributeFn = Status (*)(Session object, Attribute attribute, AttrState value);
using ViGetAttributeFn = Status (*)(Session object, Attribute attribute, void* value);
using ViReadFn = Status (*)(Session session, unsigned char* buffer, uint32_t count, uint32_t* returned);
using ViScanfFn = Status (*)(Session session, const char* format, ...);
using ViPrintfFn = Status (*)(Session session, const char* format, ...);
using ViFlushFn = Status (*)(Session session, uint16_t mask);
}

struct VisaEntryPoints {
    ViOpenDefaultRMFn viOpenDefaultRM = nullptr;
    ViOpenFn viOpen = nullptr;
    ViCloseFn viClose = nullptr;
    ViFindRsrcFn viFindRsrc = nullptr;
    ViFindNextFn viFindNext = nullptr;
    ViSetAttributeFn viSetAttribute = nullptr;
    ViGetAttributeFn viGetAttribute = nullptr;
    ViReadFn viRead = nullptr;
    ViScanfFn viScanf = nullptr;
    ViPrintfFn viPrintf = nullptr;
    ViFlushFn viFlush = nullptr;

    // True when every entry point is there.
    bool IsComplete() const {
        return viOpenDefaultRM && viOpen && viClose && viFindRsrc && viFindNext && viSetAttribute &&
               viGetAttribute && viRead && viScanf && viPrintf && viFlush;
    }
};

// The entry-point names in table order, as a library exports them.
inline constexpr const char* kEntryPointNames[11] = {
    "viOpenDefaultRM", "viOpen", "viClose", "viFindRsrc", "viFindNext", "viSetAttribute",
    "viGetAttribute",  "viRead", "viScanf", "viPrintf",   "viFlush"};

} // namespace orv::visa

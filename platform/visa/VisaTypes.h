#pragma once

// The value types, status codes and attribute numbers of the VISA interface that the analyser side
// uses, with the values of the published VISA standard, so that a vendor library loaded at run time
// and our built-in layer answer alike. Widths follow the standard's 64-bit form: sessions, attribute
// numbers and counts are 32-bit unsigned, statuses 32-bit signed, attribute values 64-bit.

#include <cstdint>

namespace orv::visa {

using Session = uint32_t;   // a session or any other VISA object (resource manager, find list)
using Status = int32_t;     // negative: failure; 0: success; positive: success with a remark
using Attribute = uint32_t; // an attribute number
using AttrState = uint64_t; // an attribute value as viSetAttribute takes it
using AccessMode = uint32_t;

// A session of 0 is no session.
inline constexpr Session kNoSession = 0;

// Success and its remarks.
inline constexpr Status kSuccess = 0;
inline constexpr Status kSuccessTermChar = 0x3FFF0005; // a read ended at the termination character
inline constexpr Status kSuccessMaxCount = 0x3FFF0006; // a read ended because the count was reached
inline constexpr Status kWarnNullObject = 0x3FFF0082;  // viClose of session 0

// Failures. The values are the standard's; negative as 32-bit numbers.
inline constexpr Status kErrorSystem = static_cast<Status>(0xBFFF0000u);
inline constexpr Status kErrorInvalidObject = static_cast<Status>(0xBFFF000Eu); // no such session
inline constexpr Status kErrorInvalidExpression = static_cast<Status>(0xBFFF0010u);
inline constexpr Status kErrorResourceNotFound = static_cast<Status>(0xBFFF0011u);
inline constexpr Status kErrorInvalidResourceName = static_cast<Status>(0xBFFF0012u);
inline constexpr Status kErrorInvalidAccessMode = static_cast<Status>(0xBFFF0013u);
inline constexpr Status kErrorTimeout = static_cast<Status>(0xBFFF0015u);
inline constexpr Status kErrorUnsupportedAttribute = static_cast<Status>(0xBFFF001Du);
inline constexpr Status kErrorUnsupportedAttributeState = static_cast<Status>(0xBFFF001Eu);
inline constexpr Status kErrorIo = static_cast<Status>(0xBFFF003Eu);
inline constexpr Status kErrorInvalidFormat = static_cast<Status>(0xBFFF003Fu);
inline constexpr Status kErrorUnsupportedFormat = static_cast<Status>(0xBFFF0041u);
inline constexpr Status kErrorUnsupportedOperation = static_cast<Status>(0xBFFF0067u);
inline constexpr Status kErrorUserBuffer = static_cast<Status>(0xBFFF0071u);
inline constexpr Status kErrorInvalidParameter = static_cast<Status>(0xBFFF0078u);
inline constexpr Status kErrorConnectionLost = static_cast<Status>(0xBFFF00A6u);

// Attributes the built-in layer honours or keeps.
inline constexpr Attribute kAttrTimeoutValue = 0x3FFF001A;        // read/write time-out, ms (32-bit)
inline constexpr Attribute kAttrTermChar = 0x3FFF0018;            // the termination character (8-bit)
inline constexpr Attribute kAttrTermCharEnabled = 0x3FFF0038;     // reads end at it (16-bit boolean)
inline constexpr Attribute kAttrReadBufferMode = 0x3FFF002A;      // kept as set (16-bit)
inline constexpr Attribute kAttrVendorManagerOption = 0x0FFF0062; // kept as set on the manager (16-bit)

// The time-out value that never ends.
inline constexpr uint32_t kTimeoutInfinite = 0xFFFFFFFFu;

// viFlush masks.
inline constexpr uint16_t kFlushReadBuffer = 1;         // discard what was received, to the message end
inline constexpr uint16_t kFlushWriteBuffer = 2;        // send what viPrintf holds
inline constexpr uint16_t kFlushReadBufferDiscard = 4;  // discard what was received
inline constexpr uint16_t kFlushWriteBufferDiscard = 8; // drop what viPrintf holds
inline constexpr uint16_t kFlushIoInBuffer = 16;
inline constexpr uint16_t kFlushIoOutBuffer = 32;
inline constexpr uint16_t kFlushIoInBufferDiscard = 64;
inline constexpr uint16_t kFlushIoOutBufferDiscard = 128;

// The longest resource name viFindRsrc and viFindNext write, without the terminating zero; their
// description buffer holds 256 bytes.
inline constexpr uint32_t kFindBufferLength = 256;

} // namespace orv::visa

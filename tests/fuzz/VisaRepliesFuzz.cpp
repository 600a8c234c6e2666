// Fuzz entry for the built-in VISA layer's reply readers: any bytes an instrument sends, read with
// any of the drivers' formats, must end in a status without a crash, and no conversion may store
// past the size it was given.
#include "platform/visa/VisaSocketSession.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

orv::visa::Status ScanfWith(orv::visa::VisaSocketSession& session, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const orv::visa::Status status = session.Scanf(format, args);
    va_end(args);
    return status;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv::visa;
    if (size == 0 || size > 60000) {
        return 0;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return 0;
    }
    // The instrument's whole reply, then the end of the connection: no read ever waits.
    const uint8_t choice = data[0];
    if (write(ends[1], data + 1, size - 1) != static_cast<ssize_t>(size - 1)) {
        close(ends[0]);
        close(ends[1]);
        return 0;
    }
    close(ends[1]);
    std::unique_ptr<VisaSocketSession> session = VisaSocketSession::FromConnectedSocket(ends[0]);
    session->SetAttribute(kAttrTimeoutValue, 0);
    session->SetAttribute(kAttrTermCharEnabled, choice & 1);
    constexpr size_t kGuard = 16;
    std::vector<unsigned char> buffer(256 + kGuard, 0xEE);
    for (int round = 0; round < 4; ++round) {
        int32_t integer = 0;
        float single = 0.0f;
        double precise = 0.0;
        int32_t capacity = 100;
        uint32_t returned = 0;
        switch ((choice >> (2 * round + 1)) & 7) {
        case 0:
            ScanfWith(*session, "%d", &integer);
            break;
        case 1:
            ScanfWith(*session, "%f,%lf", &single, &precise);
            break;
        case 2:
            ScanfWith(*session, "%#t", &capacity, buffer.data());
            if (capacity < 0 || capacity > 99) {
                __builtin_trap();
            }
            break;
        case 3:
            ScanfWith(*session, "%#b", &capacity, buffer.data());
            if (capacity < 0 || capacity > 100) {
                __builtin_trap();
            }
            break;
        case 4:
            ScanfWith(*session, "%64b", buffer.data());
            break;
        case 5:
            session->Read(buffer.data(), 100, &returned);
            if (returned > 100) {
                __builtin_trap();
            }
            break;
        case 6:
            ScanfWith(*session, "%99s%d", buffer.data(), &integer);
            break;
        default:
            session->Flush(kFlushReadBuffer);
            break;
        }
        for (size_t i = 256; i < buffer.size(); ++i) {
            if (buffer[i] != 0xEE) {
                __builtin_trap(); // written past what any format allowed
            }
        }
    }
    return 0;
}

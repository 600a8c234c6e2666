#include "platform/serial/SerialLineSetup.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace orv {

namespace {

struct StandardSpeed {
    uint32_t baud;
    unsigned code;
};

constexpr StandardSpeed kStandardSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

unsigned SpeedCode(uint32_t baud) {
    for (const StandardSpeed& speed : kStandardSpeeds) {
        if (speed.baud == baud) {
            return speed.code;
        }
    }
    return BOTHER;
}

bool Fail(int error) {
    errno = error;
    return false;
}

} // namespace

bool ConfigureRawSerialLine(int fd, uint32_t speed, int parity, int stopBitsCode, int dataBits) {
    if (speed == 0 || dataBits < 5 || dataBits > 8 || parity < 0 || parity > 4) {
        return Fail(EINVAL);
    }
    termios2 line{};
    if (ioctl(fd, TCGETS2, &line) != 0) {
        return false;
    }
    line.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                           IXOFF | IXANY | INPCK | IUCLC | IMAXBEL);
    line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    line.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD |
                                           (CBAUD << IBSHIFT));
    line.c_cflag |= CREAD | CLOCAL;

    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    line.c_cflag |= kSizes[dataBits - 5];

    switch (static_cast<SerialParity>(parity)) {
    case SerialParity::None:
        break;
    case SerialParity::Odd:
        line.c_cflag |= PARENB | PARODD;
        break;
    case SerialParity::Even:
        line.c_cflag |= PARENB;
        break;
    case SerialParity::Mark:
        line.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SerialParity::Space:
        line.c_cflag |= PARENB | CMSPAR;
        break;
    }

    if (stopBitsCode != 1) {
        line.c_cflag |= CSTOPB;
    }

    // One byte satisfies a read; with no byte there a non-blocking read says so (EAGAIN) instead of
    // answering 0, which is kept for a hung-up line.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;

    line.c_cflag |= SpeedCode(speed);
    line.c_ispeed = speed;
    line.c_ospeed = speed;
    return ioctl(fd, TCSETS2, &line) == 0;
}

uint32_t ReadSerialLineSpeed(int fd) {
    termios2 line{};
    if (ioctl(fd, TCGETS2, &line) != 0) {
        return 0;
    }
    return line.c_ospeed;
}

} // namespace orv

#pragma once

// The line settings of a serial port, made through Linux's termios2 so that any speed can be set,
// not only those of the standard list (this file keeps <asm/termbits.h> away from <termios.h>, which
// cannot be included together).

#include <cstdint>

namespace orv {

// Codes as the port's owners pass them.
enum class SerialParity : int { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

// Raw mode: no echo, no line editing, no character translation, no software or hardware flow
// control; receiver on, modem lines ignored; a read of an empty line does not block for ever (the
// caller polls). Stop-bits code 1 is one stop bit, 2 two, any other one and a half, which the line
// has only with 5 data bits (the two-stop-bit setting gives it then) and two otherwise. Data bits
// 5 to 8. False with errno set when an argument is outside these or the driver refuses.
bool ConfigureRawSerialLine(int fd, uint32_t speed, int parity, int stopBitsCode, int dataBits);

// The output speed the line is set to, in baud; 0 when it cannot be read.
uint32_t ReadSerialLineSpeed(int fd);

} // namespace orv

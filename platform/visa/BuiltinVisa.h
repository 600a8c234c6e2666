#pragma once

// The VISA layer of our own that serves TCPIP SOCKET resources when no vendor library is installed.
// It keeps the sessions of every resource manager, find list and socket in one table; a session
// number is never 0 and never the placeholder session -900. Closing a resource manager closes what
// was opened through it. Safe to call from any thread; calls on one socket session are serialised.

#include "platform/visa/VisaEntryPoints.h"

#include <cstdarg>

namespace orv::visa {

// The built-in layer's entry points, in the table that connections copy.
const VisaEntryPoints& BuiltinVisaEntryPoints();

} // namespace orv::visa

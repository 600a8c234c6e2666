#pragma once

// The chief header of the core: the frame, the byte streams, the exceptions and the type ids.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/QPacket.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"

#pragma once

#include <cstdint>

#include "TaggedValue.h"

namespace engine {

// Moves one value between a tagged value and a numbered temp-data channel of
// the engine library. The value's tag chooses the kind: 2 (16-bit integer),
// 3 (32-bit integer), 5 (double) or 11 (Boolean, 16-bit with true = -1).
// numBytes is passed to the engine unchanged (the callers pass the kind's
// width); the local buffer is 8 bytes wide whatever the kind, so a byte count
// larger than the kind never writes past it.

// Reads the channel into `value`, keeping its tag: a value preset as an
// empty Boolean comes back a Boolean. Returns the engine's result. Any other
// tag raises 0x8004000A "QxReadTempData: VarType not supported: <tag>".
int32_t QxReadTempData(int16_t cnum, TaggedValue& value, int16_t numBytes);

// Writes `value` to the channel. Returns the engine's result. Any other tag
// raises 0x8004000A "QxWriteTempData: VarType not supported: <tag>".
int16_t QxWriteTempData(int16_t cnum, const TaggedValue& value, int16_t numBytes);

} // namespace engine

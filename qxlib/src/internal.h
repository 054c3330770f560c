// Shared helpers of the engine library's translation units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qx {

// Records the details of a failure (for QxGetExceptionInfoWVB), notes it in
// the engine log when that is on, and returns `code` so callers can write
// `return qx::fail(QX_E_NO_LOG, "QxLogReadRecordWVB", "no such log: " + path);`.
int32_t fail(int32_t code, std::string_view method, std::string message);

// Copies `text` into a caller buffer of `capacity` bytes, NUL-terminated, cut
// at a UTF-8 character boundary when it does not fit. Returns QX_OK or
// QX_E_BUFFER_TOO_SMALL; a NULL buffer is "not wanted" and returns QX_OK.
int32_t copyString(std::string_view text, char* buffer, int32_t capacity);

// Appends one line to QxLib.log when the engine log is on (QxInit3 flag 8).
void engineLog(std::string_view line);
bool engineLogOn();

// The log directory: $SELVANE_LOG_DIR, else $XDG_STATE_HOME/selvane, else
// ~/.local/state/selvane.
std::string logDirectory();

// Milliseconds of the monotonic clock (shared by every process of the machine).
int64_t monotonicMs();

// Releases every per-process resource of the population and log units
// (called by QxFree).
void releasePopulations();
void releaseLogs();

} // namespace qx

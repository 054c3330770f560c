// Writing files where another user of the machine may have planted a link or
// a file of their own. Every file this system writes goes through these
// calls: the engine library (logs, QxLib.log), the diagnostic log, the
// progress graph file, reports and help pages.
//
// Plain C++ without Qt, so that libqxlib8.so builds the same source.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace ol::safefile {

// Replaces `path` with `size` bytes of `data`: a new file with `mode` in the
// same folder, written whole and renamed over the name. A symbolic link at
// `path` is replaced, never followed, and no file that exists there is ever
// opened or truncated. In a sticky folder (/tmp) another user's file at the
// name makes the rename fail, which is reported. False with `why` set when
// the file could not be written; nothing is left behind then.
bool replaceFile(const std::string& path, const void* data, size_t size, std::string& why, mode_t mode = 0600);

// Opens `path` for appending, creating it with `mode` when missing. Refused
// (-1 with `why` set) when the name is a symbolic link, not a regular file,
// or a file of another user. A file of the user's own that others may read
// is narrowed to `mode`.
int openForAppend(const std::string& path, std::string& why, mode_t mode = 0600);

// Creates `path` as a new, empty file with `mode`; refused when anything is
// at that name already (links included). The descriptor is returned open.
int createNew(const std::string& path, std::string& why, mode_t mode = 0600);

// Makes `dir` (and missing parents, each 0700) and checks that the folder
// itself is a real directory, owned by the user, that no other user can
// write to (with `ownerOnly`, that no other user can even enter: mode 0700).
// False with `why` saying what is wrong and what to do otherwise.
bool ensurePrivateDirectory(const std::string& dir, std::string& why, bool ownerOnly = false);

// Writes all of `size` bytes to `fd`, retrying short writes and EINTR.
bool writeAll(int fd, const void* data, size_t size);

} // namespace ol::safefile

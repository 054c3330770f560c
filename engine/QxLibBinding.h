#pragma once

#include <cstdint>

#include <QString>

#include "QxLibApi.h"

namespace engine {

// The engine library, loaded once per process at start-up and kept for the
// life of the process (QxFree is called when the process ends).

// The bound library's functions. Raises 0x8004000A when no library is bound
// yet, so that a caller that runs too early fails like any failing engine
// call instead of jumping through a null pointer.
const QxLibApi& QxLib();
bool IsQxLibBound() noexcept;
// The dlopen handle of the bound library as an integer; 0 when none.
quintptr QxLibHandle() noexcept;

// Loads "libqxlib8.so" from the system directory, resolves the table,
// selects program mode 0 and initializes the engine (with its own
// "QxLib.log" when the diagnostic log is on). Raises 0x8004000B when the
// directory is unknown, the file cannot be loaded or lacks a function, and
// the engine's error (RaiseQxLibError) when QxInit3 fails. The table is
// committed only when every step succeeded: a library that failed to
// initialize is never called afterwards.
void InitializeQxLib();
// The same with the system directory given; an empty one is the "could not
// find the system directory" failure (the shared library reports an empty
// directory when it cannot tell where it was installed).
void InitializeQxLib(const QString& systemDirectory);

// The engine's text for an error code: for an exception, "Exception Name=...,
// Method Name=..., Message=..." (empty when the engine has no details of it);
// otherwise the engine's error text.
QString QxLibErrorDescription(int32_t errorNumber, bool isException);

// "Error in method: <method>, QxLib method: <qxMethod>, error number<n>"
// followed by ", QxLib description: <description>" when there is one;
// written to the diagnostic log and returned, nothing raised.
QString LogQxLibError(const QString& method, const QString& qxMethod, int32_t errorNumber, bool isException);

// Logs as LogQxLibError and raises: 0x80040857 with resource string 2101 for
// the engine's code -14 (the library does not match the caller's interface
// version), else 0x8004000A with the logged text. The source is `method`.
[[noreturn]] void RaiseQxLibError(const QString& method, const QString& qxMethod, int32_t errorNumber,
                                  bool isException);

} // namespace engine

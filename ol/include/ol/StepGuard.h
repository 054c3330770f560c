#pragma once

#include <functional>
#include <optional>
#include <utility>

#include <QString>

#include "ol/OLError.h"

namespace ol {

// The error of the exception being handled, as an OLError: an OLError as it
// is, any other std::exception as a general failure with its what() text, and
// anything else as a general failure "Unknown error.". Call only inside a
// catch block.
OLError currentExceptionAsError(const QString& source = QString());

// Runs the steps of an operation that goes on with the next statement after
// an error: each step runs inside run(), which records a failure and returns,
// so that an unlock, a release or a log line after a failing step is never
// skipped.
//
//     StepGuard guard;
//     guard.run([&] { lockPopulation(); });
//     guard.run([&] { refreshWindows(); });
//     guard.run([&] { unlockPopulation(); });
//     if (guard.failed()) log(guard.lastError()->description());
class StepGuard {
public:
    using ErrorHandler = std::function<void(const OLError&)>;

    // onError is told about every failure as it happens (typically to log it).
    explicit StepGuard(ErrorHandler onError = {});

    // Runs one step; false when it failed.
    template <class Step> bool run(Step&& step) noexcept {
        try {
            std::forward<Step>(step)();
            return true;
        } catch (...) {
            recordCurrentException();
            return false;
        }
    }

    bool failed() const noexcept { return m_failureCount > 0; }
    int failureCount() const noexcept { return m_failureCount; }
    const std::optional<OLError>& lastError() const noexcept { return m_lastError; }
    // The description of the last failure; empty when no step failed.
    QString lastDescription() const;
    // Forgets every failure recorded so far.
    void clear() noexcept;

private:
    // Records the exception being handled; call only inside a catch block.
    void recordCurrentException() noexcept;

    ErrorHandler m_onError;
    int m_failureCount = 0;
    std::optional<OLError> m_lastError;
};

// For operations that stop at their first error and return their default:
// the result of f(), or fallback when f throws. onError is told about the
// error (for logging).
template <class T, class F> T tryOr(T fallback, F&& f, const StepGuard::ErrorHandler& onError = {}) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        if (onError) {
            try {
                onError(currentExceptionAsError());
            } catch (...) {
                // A failing error handler must not turn a handled error into a crash.
            }
        }
        return fallback;
    }
}

} // namespace ol

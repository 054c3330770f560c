#include "ol/StepGuard.h"

#include <exception>

namespace ol {

OLError currentExceptionAsError(const QString& source) {
    try {
        throw;
    } catch (const OLError& e) {
        return e;
    } catch (const std::exception& e) {
        return OLError(kErrGeneral, source, QString::fromUtf8(e.what()));
    } catch (...) {
        return OLError(kErrGeneral, source, QStringLiteral("Unknown error."));
    }
}

StepGuard::StepGuard(ErrorHandler onError) : m_onError(std::move(onError)) {}

QString StepGuard::lastDescription() const {
    return m_lastError ? m_lastError->description() : QString();
}

void StepGuard::clear() noexcept {
    m_failureCount = 0;
    m_lastError.reset();
}

void StepGuard::recordCurrentException() noexcept {
    ++m_failureCount;
    try {
        m_lastError = currentExceptionAsError();
        if (m_onError)
            m_onError(*m_lastError);
    } catch (...) {
        // Recording must never throw out of a guard (out of memory, a failing
        // handler); the failure count stands.
    }
}

} // namespace ol

#pragma once

#include <cstdint>

#include <QString>

#include "DiagnosticLog.h"
#include "TaggedValue.h"
#include "ol/StepGuard.h"

// Small helpers shared by the manager's source files.
namespace manager::support {

// One line of the diagnostic log; nothing happens when logging is off.
inline void writeLog(QString message) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(message);
}

// A Boolean as the log shows it.
inline QString boolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A guard for an operation that goes on after an error: every failure is
// logged as "Error in <operation>: <description> (<number>)".
inline ol::StepGuard loggingGuard(const QString& operation) {
    return ol::StepGuard([operation](const ol::OLError& e) { engine::DiagnosticLog::WriteError(operation, e); });
}

// Reads and writes of the temp-data channels. A failed read raises and
// leaves nothing changed.
bool readChannelBool(int16_t channel);
int32_t readChannelLong(int16_t channel);
double readChannelDouble(int16_t channel);
void writeChannelBool(int16_t channel, bool value);
void writeChannelLong(int16_t channel, int32_t value);

} // namespace manager::support

#pragma once

#include <QString>

#include "ol/OLError.h"
#include "ol/WindowRef.h"

namespace ol {

// The text an error report shows: the description, then a line with the
// number in hex and the operation that raised it
// ("Error 8004000A in Initialize").
QString errorReportText(const OLError& error);

// Shows errors to the person at the screen.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;

    // Returns when the report is closed.
    virtual void reportError(const OLError& error, WindowRef owner) = 0;
};

} // namespace ol

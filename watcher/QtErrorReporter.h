#pragma once

#include "ol/ErrorReporter.h"

namespace watcher {

// Error reports as a critical message box titled "Selvane".
class QtErrorReporter final : public ol::ErrorReporter {
public:
    void reportError(const ol::OLError& error, ol::WindowRef owner) override;
};

} // namespace watcher

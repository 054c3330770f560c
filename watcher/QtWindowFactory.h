#pragma once

#include "manager/ProgressWindows.h"

namespace watcher {

// Makes the Qt windows of a run: FormProgressSmall and FormProgress. The
// efficient-frontier windows do not exist yet, so a request for them gives
// null, which the manager reports.
class QtWindowFactory final : public manager::WindowFactory {
public:
    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool efficientFrontier) override;
    std::unique_ptr<manager::FullWindow> createFullWindow(bool efficientFrontier) override;
};

} // namespace watcher

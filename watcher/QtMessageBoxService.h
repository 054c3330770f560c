#pragma once

#include "ol/MessageBoxService.h"

namespace watcher {

// Message boxes as Qt message boxes. Each call runs the box's own event loop
// and returns when the person closes it; the box is centred on its owner when
// the owner is a window of this process.
class QtMessageBoxService final : public ol::MessageBoxService {
public:
    void showMessage(const ol::MessageRequest& request) override;
    bool askYesNo(const ol::YesNoRequest& request) override;
    int askWithHelp(const ol::HelpQuestion& question) override;
};

} // namespace watcher

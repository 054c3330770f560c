#pragma once

#include "ol/WindowService.h"

namespace watcher {

// Captions, the foreground window and window ownership for this process's
// Qt windows. The host's windows live in another process and are reached
// through the host's own objects, so calls about them do nothing here.
class QtWindowService final : public ol::WindowService {
public:
    void setCaption(ol::WindowRef window, const QString& caption) override;
    ol::WindowRef foregroundWindow() override;
    void bringToFront(ol::WindowRef window) override;
    void tieToOwner(ol::WindowRef dialog, ol::WindowRef owner) override;
};

} // namespace watcher

#pragma once

#include <functional>

#include "ol/MessageBoxService.h"

namespace ol {

// Whether a message or question may be left out when the host's alerts are
// off, and the answer a question then gives without being asked.
struct Suppression {
    bool suppressible = false;
    bool resultWhenAlertsOff = false;

    // True when the host's alerts are off and the box may be left out.
    bool skips(bool displayAlerts) const { return !displayAlerts && suppressible; }
};

// Shows an information message unless it is suppressed.
void displayMessage(MessageBoxService& boxes, const MessageRequest& request, bool displayAlerts, bool suppressible);

// Asks a yes/no question; a suppressed one gives its alerts-off result.
bool displayYesNo(MessageBoxService& boxes, const YesNoRequest& request, bool displayAlerts,
                  const Suppression& suppression);

// Asks a question with help: the first button opens the help (showHelp is
// called with the question's help context) and asks the same question again;
// the result is true when the second button was chosen, false for the third
// or when the box was closed. A suppressed question gives its alerts-off
// result without being asked.
bool displayYesNoWithHelp(MessageBoxService& boxes, const HelpQuestion& question, bool displayAlerts,
                          const Suppression& suppression, const std::function<void(int helpContext)>& showHelp);

} // namespace ol

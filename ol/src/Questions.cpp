#include "ol/Questions.h"

namespace ol {

void displayMessage(MessageBoxService& boxes, const MessageRequest& request, bool displayAlerts, bool suppressible) {
    if (!displayAlerts && suppressible)
        return;
    boxes.showMessage(request);
}

bool displayYesNo(MessageBoxService& boxes, const YesNoRequest& request, bool displayAlerts,
                  const Suppression& suppression) {
    if (suppression.skips(displayAlerts))
        return suppression.resultWhenAlertsOff;
    return boxes.askYesNo(request);
}

bool displayYesNoWithHelp(MessageBoxService& boxes, const HelpQuestion& question, bool displayAlerts,
                          const Suppression& suppression, const std::function<void(int helpContext)>& showHelp) {
    if (suppression.skips(displayAlerts))
        return suppression.resultWhenAlertsOff;
    for (;;) {
        const int button = boxes.askWithHelp(question);
        if (button != 0)
            return button == 1;
        if (showHelp)
            showHelp(question.helpContext);
    }
}

} // namespace ol

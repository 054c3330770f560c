#include "HelpTopics.h"

#include "DiagnosticLog.h"
#include "ResourceStrings.h"
#include "ol/Directories.h"
#include "ol/HelpViewer.h"
#include "ol/MessageBoxService.h"
#include "ol/StepGuard.h"
#include "ol/VisualServices.h"

namespace manager {

bool openHelpTopic(const QString& helpFile, int contextId, const ol::WindowRef& owner) {
    int problem = 0;
    ol::StepGuard guard;
    guard.run([&] {
        if (helpFile.isEmpty())
            problem = kTextNoHelpFileGiven;
        else if (!ol::fileExists(helpFile))
            problem = kTextHelpFileMissing;
        else if (!ol::helpViewer().showHelp(helpFile, contextId))
            problem = kTextHelpNotOpened;
    });
    if (problem == 0 && !guard.failed())
        return true;
    if (problem == 0)
        problem = kTextHelpNotOpened;
    guard.run([&] {
        const QString text = problem == kTextNoHelpFileGiven ? engine::GetResourceString(problem)
                                                             : engine::GetResourceString(problem, helpFile);
        if (engine::DiagnosticLog::isOn())
            engine::DiagnosticLog::WriteLine(QStringLiteral("WATCHER, help topic %1 not shown: ").arg(contextId) +
                                             text);
        ol::MessageRequest request;
        request.title = QStringLiteral("Selvane");
        request.text = text;
        request.kind = ol::MessageKind::Warning;
        request.owner = owner;
        ol::messageBoxService().showMessage(request);
    });
    return false;
}

} // namespace manager

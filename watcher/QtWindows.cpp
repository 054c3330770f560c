#include "QtWindows.h"

#include <QWidget>

#include "Application.h"
#include "FormSurvival.h"
#include "QtErrorReporter.h"
#include "QtHelpViewer.h"
#include "QtMessageBoxService.h"
#include "QtPopupMenuService.h"
#include "QtScreenService.h"
#include "QtWindowFactory.h"
#include "QtWindowService.h"
#include "ol/VisualServices.h"

namespace watcher {

QWidget* widgetOf(const ol::WindowRef& window) {
    return qobject_cast<QWidget*>(window.object());
}

void InstallQtWindows() {
    // The services live as long as the process: the shared library only
    // keeps pointers to them.
    static QtMessageBoxService s_messageBoxes;
    static QtPopupMenuService s_popupMenus;
    static QtScreenService s_screens;
    static QtWindowService s_windows;
    static QtHelpViewer s_help;
    static QtErrorReporter s_errors;
    ol::setServices(ol::VisualServices{&s_messageBoxes, &s_popupMenus, &s_screens, &s_windows, &s_help, &s_errors});

    engine::ApplicationHooks hooks = engine::GetApplicationHooks();
    hooks.createSurvivalWindow = [] { FormSurvival::Create(); };
    hooks.unloadSurvivalWindow = [] { FormSurvival::Unload(); };
    engine::SetApplicationHooks(std::move(hooks));

    static QtWindowFactory s_factory;
    manager::setWindowFactory(&s_factory);
}

} // namespace watcher

#include "QtWindows.h"

#include <QApplication>
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
#include "manager/WatcherManager.h"
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

    // The survival checker keeps the Watcher's questions in front of the
    // host; it finds them among this process's top-level windows by title.
    manager::WatcherManager::setTopLevelWindowFinder([](const QString& title) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->windowTitle() == title)
                return ol::WindowRef::local(window);
        }
        return ol::WindowRef();
    });
}

} // namespace watcher

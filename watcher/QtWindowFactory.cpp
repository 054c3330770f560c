#include "QtWindowFactory.h"

#include "FormProgress.h"
#include "FormProgressEF.h"
#include "compact/FormProgressSmall.h"

namespace watcher {

std::unique_ptr<manager::CompactWindow> QtWindowFactory::createCompactWindow(bool efficientFrontier) {
    if (efficientFrontier)
        return nullptr;
    return std::make_unique<FormProgressSmall>();
}

std::unique_ptr<manager::FullWindow> QtWindowFactory::createFullWindow(bool efficientFrontier) {
    if (efficientFrontier)
        return std::make_unique<FormProgressEF>();
    return std::make_unique<FormProgress>();
}

} // namespace watcher

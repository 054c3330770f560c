#include "QtWindowFactory.h"

#include "FormProgress.h"
#include "FormProgressEF.h"
#include "compact/FormProgressSmall.h"
#include "compact/FormProgressSmallEF.h"

namespace watcher {

std::unique_ptr<manager::CompactWindow> QtWindowFactory::createCompactWindow(bool efficientFrontier) {
    if (efficientFrontier)
        return std::make_unique<FormProgressSmallEF>();
    return std::make_unique<FormProgressSmall>();
}

std::unique_ptr<manager::FullWindow> QtWindowFactory::createFullWindow(bool efficientFrontier) {
    if (efficientFrontier)
        return std::make_unique<FormProgressEF>();
    return std::make_unique<FormProgress>();
}

} // namespace watcher

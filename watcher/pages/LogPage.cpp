#include "LogPage.h"

#include <QFrame>
#include <QHeaderView>
#include <QTableView>

#include "PageLayout.h"
#include "Twips.h"

namespace watcher {

LogPage::LogPage(QFrame* frame) : WatcherPage(frame) {
    SGGridLog = new QTableView(frame);
    SGGridLog->setObjectName(QStringLiteral("SGGridLog"));
    SGGridLog->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGGridLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGGridLog->verticalHeader()->setVisible(false);
    setGeometryTwips(SGGridLog, 60, 600, kPageWidthTwips - 240, kPageHeightTwips - 1050);
}

void LogPage::InitializePage() {}

QList<QTableView*> LogPage::Grids() const {
    return {SGGridLog};
}

} // namespace watcher

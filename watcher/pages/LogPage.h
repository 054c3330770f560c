#pragma once

#include "WatcherPage.h"

class QTableView;

namespace watcher {

// Page 2 of the Watcher window: the optimization log in the grid SGGridLog.
// The grid's data source (the log grid server) and the log-type selector
// come with LoggingTab_Initialize / LoggingTab_Update.
class LogPage : public WatcherPage {
    Q_OBJECT

public:
    explicit LogPage(QFrame* frame);

    QTableView* grid() const { return SGGridLog; }

    // WatcherPage
    QList<QTableView*> Grids() const override;

protected:
    void InitializePage() override;

private:
    QTableView* SGGridLog = nullptr;
};

} // namespace watcher

#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "WatcherPage.h"

class QComboBox;
class QLabel;

namespace loggrid {
class ProgressDialogLogSvr;
}

namespace watcher {

class LogGridView;

// Page 2 of the Watcher window: the optimization log in the grid SGGridLog,
// every trial or only the progress steps as chosen in ComboLogType. The grid
// is fed by the log grid server, created the first time the log file exists
// (PrepareUpdate); on every update, whatever page is shown, the page only
// sets the grid's row count, and the grid asks the server for the rows it
// shows.
class LogPage : public WatcherPage {
    Q_OBJECT

public:
    // Items of ComboLogType: the index is the log record selector written to
    // the manager's IDForQxLogReadRecordVB.
    static constexpr int kLogTypeAllTrials = 0;
    static constexpr int kLogTypeProgressSteps = 1;

    explicit LogPage(QFrame* frame);
    ~LogPage() override;

    // The grid's style and the two log types, all trials selected.
    void LoggingTab_Initialize();
    // When the log file exists and no server was bound yet: creates the
    // server and binds it (BindLogServer). A binding that failed is not
    // tried again.
    void BindLogServerIfLogExists();
    // Creates the server, builds the grid's columns and makes the server
    // the grid's data source with no rows yet. Raises what the server
    // raises (the log file is missing).
    void BindLogServer();
    // The grid's row count from the log; newly logged records appear.
    void LoggingTab_Update();

    // The selected rows of the grid as the grid pop-up menu copies them.
    QString CopyText() const;

    bool LogServerBound() const { return m_LogServerBound; }
    loggrid::ProgressDialogLogSvr* logServer() const { return m_LogServer.get(); }
    LogGridView* grid() const { return SGGridLog; }
    QComboBox* comboLogType() const { return ComboLogType; }

    // WatcherPage
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    void PrepareUpdate() override;
    void Update(const PageUpdate& update) override;
    void LayoutPage(const manager::WatcherLayout& layout) override;
    QList<QAbstractScrollArea*> RowGrids() const override;
    QString RowGridSelectionText(const QAbstractScrollArea* grid) const override;
    void Dispose() override;

protected:
    void InitializePage() override;

private:
    class GridColumns;

    void ComboLogType_Click();
    void applyColumnWidths();

    QLabel* LabelLogType = nullptr;
    QComboBox* ComboLogType = nullptr;
    LogGridView* SGGridLog = nullptr;
    std::unique_ptr<loggrid::ProgressDialogLogSvr> m_LogServer;
    bool m_LogServerBound = false;
    // Widths (twips) the server gave the columns, applied once the grid
    // shows the server's columns.
    std::vector<int32_t> m_ColumnWidths;
};

} // namespace watcher

#pragma once

#include <cstdint>
#include <functional>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QAbstractScrollArea;
class QFrame;
class QTableView;
class QWidget;

namespace manager {
class WatcherManager;
struct WatcherLayout;
} // namespace manager

namespace watcher {

// What a page gets from the window that shows it. Pages never see the
// window's class, so that the single-optimization window and the
// efficient-frontier window can show the same pages.
struct PageContext {
    // The run's manager: its inputs, statistics and the log queries.
    manager::WatcherManager* manager = nullptr;
    // The top-level window that shows the page: owner of the page's dialogs.
    QWidget* window = nullptr;
    // The window's m_SettingControls flag: true while code changes controls,
    // when the pages' input handlers must do nothing. Pages read and set it
    // (SettingControlsScope); never null once the page is initialized.
    bool* settingControls = nullptr;
    // The window's dialog configuration: 1 running, 2 paused, 3 stopped.
    std::function<int32_t()> dialogConfiguration;
};

// Sets the window's settingControls flag for a scope and puts back the
// value it had, on every path out of the scope.
class SettingControlsScope {
public:
    explicit SettingControlsScope(bool* flag) : m_flag(flag), m_previous(flag != nullptr && *flag) {
        if (m_flag != nullptr)
            *m_flag = true;
    }
    ~SettingControlsScope() {
        if (m_flag != nullptr)
            *m_flag = m_previous;
    }
    SettingControlsScope(const SettingControlsScope&) = delete;
    SettingControlsScope& operator=(const SettingControlsScope&) = delete;

private:
    bool* m_flag;
    bool m_previous;
};

// What the window tells a page on each of its updates.
struct PageUpdate {
    // The page's tab item is the selected one.
    bool selected = false;
    // forceUpdateOfEverything of the window's Update.
    bool force = false;
};

// One page of a Watcher window (or a panel that shares a page with another,
// like the genetic-algorithm parameters beside the summary grid). A page
// builds and owns its controls inside the frame it is given and carries its
// own …Tab_Initialize / …Tab_Update operations; the window keeps the timer,
// the configurations and the buttons and calls its pages through this
// interface in a fixed order. Every hook catches its own errors: a failing
// page never stops the window's next step.
class WatcherPage : public QObject {
    Q_OBJECT

public:
    // The page lives as long as its frame (it is the frame's child).
    explicit WatcherPage(QFrame* frame);
    ~WatcherPage() override;

    QFrame* frame() const;
    const PageContext& context() const { return m_context; }

    // Whether the page takes part in a run with these inputs (the population
    // pages only for the genetic-algorithm engine, the constraint-solver
    // page only in that mode). The window calls no other hook of a page that
    // does not apply, apart from ApplyLocalization and Dispose.
    virtual bool AppliesTo(const manager::WatcherManager& manager) const;

    // Stores the context and runs the page's …_Initialize operation. Called
    // once, from the window's Initialize.
    void Initialize(const PageContext& context);

    // The resource texts of the page's own controls (window's
    // ApplyFormLocalization, which runs before the pages' Initialize).
    virtual void ApplyLocalization(const manager::WatcherManager* manager);

    // The window's InitializeAfterFirstTrial: first this with the add-in's
    // numbers, after the window's first full update ShowAfterFirstTrial.
    virtual void InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t numLastTrialsToShow);
    virtual void ShowAfterFirstTrial();

    // Called on every page before any page's Update (the log page binds its
    // data source here), then Update in the window's update order.
    virtual void PrepareUpdate();
    virtual void Update(const PageUpdate& update);

    // The page's tab became the selected one by the person's choice, or the
    // window was painted or shown while it is selected.
    virtual void PageSelected();

    // The stopping configuration: GoingToStoppingConfig before the window
    // switches its buttons, ArrangeForStopping after (the stopping page fills
    // itself), StoppingConfigApplied once the stopping page is selected.
    virtual void GoingToStoppingConfig();
    virtual void ArrangeForStopping();
    virtual void StoppingConfigApplied();

    // The window was resized: the page fits its controls to the new sizes.
    // Pages whose controls keep their designed places need not override it.
    virtual void LayoutPage(const manager::WatcherLayout& layout);

    // A dialog of one of the page's controls is on screen.
    virtual bool ModalDialogBeingDisplayed() const;
    // The grids of the page that offer the window's grid pop-up menu.
    virtual QList<QTableView*> Grids() const;
    // Grids of the page that are no table views (they read their rows on
    // demand) but offer the same menu; the page gives the text that Copy
    // puts on the clipboard for one of them.
    virtual QList<QAbstractScrollArea*> RowGrids() const;
    virtual QString RowGridSelectionText(const QAbstractScrollArea* grid) const;

    // The window's Dispose: the page lets go of the manager and of what it
    // created for the run.
    virtual void Dispose();

protected:
    // The page's …Tab_Initialize, with the context in place.
    virtual void InitializePage() = 0;
    manager::WatcherManager* manager() const { return m_context.manager; }
    bool settingControls() const { return m_context.settingControls != nullptr && *m_context.settingControls; }
    int32_t dialogConfiguration() const { return m_context.dialogConfiguration ? m_context.dialogConfiguration() : 1; }
    // A line of the diagnostic log when it is on.
    static void log(QString message);

private:
    QPointer<QFrame> m_frame;
    PageContext m_context;
};

} // namespace watcher

// The Watcher window's controls and its grids' pop-up menu: building the
// bottom bar, the tab control and its page frames, and copying a grid's
// selected rows as tab-separated text.
#include "FormProgress.h"

#include <algorithm>

#include <QAbstractItemModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "Twips.h"
#include "WatcherManager.h"
#include "compact/ExcelUpdatingMenu.h"
#include "ol/StepGuard.h"
#include "pages/WatcherPage.h"

namespace watcher {

namespace {

// Designed client size and control places, in twips. The window keeps this
// size until the person resizes it.
constexpr double kClientWidth = 8400;
constexpr double kClientHeight = 6000;
constexpr double kBottomBarHeight = 600;
constexpr double kButtonSize = 480;
constexpr double kButtonTop = 60;
constexpr double kOkWidth = 1000;
constexpr double kTabLeft = 60;
constexpr double kTabTop = 120;

QToolButton* makeButton(QWidget* parent, const char* name, bool checkable) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(checkable);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setIconSize(QSize(24, 24));
    return button;
}

} // namespace

QString FormProgress::gridCopyMenuKey() {
    return QStringLiteral("mnuGridPopup_Copy");
}

// ---------------------------------------------------------------- controls

void FormProgress::buildControls() {
    setObjectName(QStringLiteral("FormProgress"));
    resizeTwips(this, kClientWidth, kClientHeight);

    const double bottomTop = kClientHeight - kBottomBarHeight;
    const double statusTop = bottomTop - 500;
    const double tabWidth = kClientWidth - 60 - kTabLeft;
    const double tabHeight = statusTop - 65 - kTabTop;

    TabMain = new QTabWidget(this);
    TabMain->setObjectName(QStringLiteral("TabMain"));
    // Each tab is as wide as its caption with a narrow margin, so that the
    // longer German captions fit whole beside each other at the designed
    // size instead of being shortened or hidden behind scroll arrows.
    TabMain->setUsesScrollButtons(false);
    TabMain->setElideMode(Qt::ElideNone);
    TabMain->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
    setGeometryTwips(TabMain, kTabLeft, kTabTop, tabWidth, tabHeight);
    for (int i = 0; i < TabCount; ++i) {
        auto* frame = new QFrame;
        frame->setObjectName(frameTabMainName(i));
        FrameTabMain[static_cast<size_t>(i)] = frame;
        TabMain->addTab(frame, QString());
    }
    // Every change of the selected page, by the person or by code, runs the
    // tab-change handler; code changes are told apart by m_SettingControls.
    connect(TabMain, &QTabWidget::currentChanged, this, [this](int) { TabMain_Click(); });

    LabelProgressStatus = new QLabel(this);
    LabelProgressStatus->setObjectName(QStringLiteral("LabelProgressStatus"));
    // The constraint-solver status (five parts four blanks apart) is wider than
    // the window at its minimum width in several languages; it wraps onto a
    // second line in the room down to the bottom divider instead of being cut.
    LabelProgressStatus->setWordWrap(true);
    LabelProgressStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setGeometryTwips(LabelProgressStatus, 120, statusTop, kClientWidth - 140, 420);

    createPages();

    FrameBottomDivider = new QFrame(this);
    FrameBottomDivider->setObjectName(QStringLiteral("FrameBottomDivider"));
    FrameBottomDivider->setFrameShape(QFrame::HLine);
    FrameBottomDivider->setFrameShadow(QFrame::Sunken);
    setGeometryTwips(FrameBottomDivider, 60, bottomTop - 80, kClientWidth - 80, 30);

    FrameBottom = new QFrame(this);
    FrameBottom->setObjectName(QStringLiteral("FrameBottom"));
    FrameBottom->setFrameShape(QFrame::Box);
    setGeometryTwips(FrameBottom, 0, bottomTop, kClientWidth, kBottomBarHeight);

    CommandHelp = makeButton(FrameBottom, "CommandHelp", false);
    CommandExcelUpdate = makeButton(FrameBottom, "CommandExcelUpdate", true);
    CommandMinimizeWatcher = makeButton(FrameBottom, "CommandMinimizeWatcher", false);
    CommandRun = makeButton(FrameBottom, "CommandRun", true);
    CommandPause = makeButton(FrameBottom, "CommandPause", true);
    CommandStop = makeButton(FrameBottom, "CommandStop", false);
    CommandOK = new QToolButton(FrameBottom);
    CommandOK->setObjectName(QStringLiteral("CommandOK"));
    CommandOK->setToolButtonStyle(Qt::ToolButtonTextOnly);
    CommandOK->setVisible(false);

    setGeometryTwips(CommandHelp, 60, kButtonTop, kButtonSize, kButtonSize);
    setGeometryTwips(CommandExcelUpdate, 60 + (kButtonSize + 40), kButtonTop, kButtonSize, kButtonSize);
    setGeometryTwips(CommandMinimizeWatcher, 60 + 2 * (kButtonSize + 40), kButtonTop, kButtonSize, kButtonSize);
    const double stopLeft = kClientWidth - 60 - kButtonSize;
    setGeometryTwips(CommandStop, stopLeft, kButtonTop, kButtonSize, kButtonSize);
    setGeometryTwips(CommandPause, stopLeft - 40 - kButtonSize, kButtonTop, kButtonSize, kButtonSize);
    setGeometryTwips(CommandRun, stopLeft - 2 * (40 + kButtonSize), kButtonTop, kButtonSize, kButtonSize);
    setGeometryTwips(CommandOK, kClientWidth - 60 - kOkWidth, kButtonTop, kOkWidth, kButtonSize);

    // Run and Pause show the run's state: one of them is pressed at a time.
    auto* runPause = new QButtonGroup(this);
    runPause->setExclusive(true);
    runPause->addButton(CommandRun);
    runPause->addButton(CommandPause);

    connect(CommandRun, &QToolButton::clicked, this, [this] { CommandRun_Click(); });
    connect(CommandPause, &QToolButton::clicked, this, [this] { CommandPause_Click(); });
    connect(CommandStop, &QToolButton::clicked, this, [this] { CommandStop_Click(); });
    connect(CommandOK, &QToolButton::clicked, this, [this] { CommandOK_Click(); });
    connect(CommandHelp, &QToolButton::clicked, this, [this] { CommandHelp_Click(); });
    connect(CommandMinimizeWatcher, &QToolButton::clicked, this, [this] { CommandMinimizeWatcher_Click(); });
    connect(CommandExcelUpdate, &QToolButton::clicked, this, [this] { CommandExcelUpdate_Click(); });

    // Created disabled; Initialize enables it as its last step.
    TimerUpdate = new QTimer(this);
    TimerUpdate->setObjectName(QStringLiteral("TimerUpdate"));
    TimerUpdate->setInterval(kTimerIntervalMs);
    TimerUpdate->setTimerType(Qt::CoarseTimer);
    connect(TimerUpdate, &QTimer::timeout, this, [this] { TimerUpdate_Timer(); });
}

// ---------------------------------------------------------------- grid pop-up menu

bool FormProgress::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        QList<QAbstractScrollArea*> grids = pageRowGrids();
        for (QTableView* grid : pageGrids())
            grids << grid;
        for (QAbstractScrollArea* grid : grids) {
            if (grid != nullptr && watched == grid->viewport()) {
                Grid_MouseUp(grid, static_cast<QMouseEvent*>(event)->button());
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FormProgress::Grid_MouseUp(QAbstractScrollArea* grid, Qt::MouseButtons button) {
    if (!button.testFlag(Qt::RightButton))
        return;
    ol::StepGuard guard;
    guard.run([&] {
        m_PopupGrid = grid;
        ProcessPopupMenuCommand(m_GridPopupMenu.show());
    });
}

void FormProgress::ProcessPopupMenuCommand(const QString& name) {
    if (name.isEmpty())
        return;
    if (name == gridCopyMenuKey()) {
        if (auto* table = qobject_cast<QTableView*>(m_PopupGrid.data())) {
            CopyGridSelectionToClipboard(table);
            return;
        }
        if (!m_PopupGrid)
            return;
        // A grid that reads its rows on demand: its page gives the text.
        QGuiApplication::clipboard()->clear();
        for (WatcherPage* page : m_Pages) {
            if (page == nullptr || !page->RowGrids().contains(m_PopupGrid.data()))
                continue;
            if (const QString text = page->RowGridSelectionText(m_PopupGrid.data()); !text.isEmpty())
                QGuiApplication::clipboard()->setText(text);
        }
        return;
    }
    // The Excel-updating items, when the menu's choice is handed over by name.
    const int32_t option = ExcelUpdatingMenu::optionForKey(name);
    if (option != 0 && m_Manager != nullptr) {
        m_Manager->setShowExcelRecalculations(option);
        m_Manager->SendShowExcelRecalculationsToXL(option);
    }
}

void FormProgress::CopyGridSelectionToClipboard(QTableView* grid) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QAbstractItemModel* model = grid->model();
    if (model == nullptr || model->columnCount() == 0 || grid->selectionModel() == nullptr)
        return;
    const QModelIndexList selected = grid->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    int top = selected.first().row(), bottom = top;
    int left = selected.first().column(), right = left;
    for (const QModelIndex& index : selected) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    QStringList captions;
    for (int c = 0; c < model->columnCount(); ++c)
        captions << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QStringList rows;
    for (int r = top; r <= bottom; ++r) {
        QStringList cells;
        for (int c = left; c <= right; ++c)
            cells << model->index(r, c).data(Qt::DisplayRole).toString();
        rows << cells.join(u'\t');
    }
    clipboard->setText(captions.join(u'\t') + u'\r' + rows.join(QStringLiteral("\r\n")));
}

} // namespace watcher

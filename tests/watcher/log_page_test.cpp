// The log page in the real Watcher window over a real optimization log: the
// binding the first time the log exists, the row count on every update, the
// two log types, appended rows under the person's scroll position and
// selection, and the grid pop-up menu's copy.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "LogGridView.h"
#include "LogPage.h"
#include "ProgressDialogLogSvr.h"
#include "Twips.h"
#include "formprogress_fixture.h"

namespace formprogresstest {
namespace {

// The add-in's side of the log: trial n has the value 2 n and genes n and
// n + 0.5; every tenth trial is a progress step.
class LogWriter {
public:
    explicit LogWriter(const QString& path) {
        const char* names[] = {"Budget"};
        const int16_t hard[] = {0};
        const int16_t atomic[] = {QX_TRUE};
        EXPECT_EQ(QxLogCreateWVB(path.toUtf8().constData(), 1, 2, 1, names, hard, atomic, &m_writer), 0);
    }
    ~LogWriter() { QxLogClose(m_writer); }
    void appendTrials(int count) {
        for (int i = 0; i < count; ++i) {
            ++m_trials;
            const double genes[] = {double(m_trials), m_trials + 0.5};
            const double cv[] = {0.0};
            const double ccv[] = {double(m_trials)};
            QxLogRecord r{};
            r.elapsedMs = 1000 * m_trials;
            r.valueWithPenalties = 2.0 * m_trials;
            r.recalcNum = m_trials;
            r.constraintValues = cv;
            r.constraintCellValues = ccv;
            r.geneValues = genes;
            r.extra.validTrialCount = m_trials;
            ASSERT_EQ(QxLogAppendTrialWVB(m_writer, &r), 0);
            if (m_trials % 10 == 1) {
                ASSERT_EQ(QxLogAppendProgressStepWVB(m_writer, 1, &r), 0);
            }
        }
    }

private:
    int32_t m_writer = 0;
    int m_trials = 0;
};

class LogPageTest : public FormProgressTest {
protected:
    void SetUp() override {
        FormProgressTest::SetUp();
        page = form->logPage();
        ASSERT_NE(page, nullptr);
        grid = page->grid();
    }
    // The first trial seen: the window's data tabs come alive.
    void firstTrialSeen() { form->InitializeAfterFirstTrial(500, 100); }
    QString logPath() const { return m_manager.Input_LogPath(); }

    watcher::LogPage* page = nullptr;
    watcher::LogGridView* grid = nullptr;
};

TEST_F(LogPageTest, ColumnsAreBuiltOnceTheFirstTimeTheLogExists) {
    EXPECT_EQ(page->comboLogType()->count(), 2);
    EXPECT_EQ(page->comboLogType()->itemText(0), QStringLiteral("All trials"));
    EXPECT_EQ(page->comboLogType()->itemText(1), QStringLiteral("Progress steps"));
    EXPECT_EQ(page->comboLogType()->currentIndex(), 0);
    EXPECT_EQ(child<QLabel>("LabelLogType")->text(), QStringLiteral("Show:"));

    // No log yet: no server, no columns, no rows.
    firstTrialSeen();
    form->Update(true, false);
    EXPECT_FALSE(page->LogServerBound());
    EXPECT_EQ(grid->model(), nullptr);
    EXPECT_EQ(grid->horizontalHeader()->count(), 0);

    LogWriter writer(logPath());
    writer.appendTrials(25);
    form->Update(false, false);
    ASSERT_TRUE(page->LogServerBound());
    loggrid::ProgressDialogLogSvr* server = page->logServer();
    ASSERT_EQ(grid->model(), server);
    EXPECT_EQ(grid->horizontalHeader()->count(), 3 + 2 + 1);
    EXPECT_EQ(server->rowCount(), 25);
    // Widths in twips through the twips helper: the trial column is 600.
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), watcher::twipsToPixels(600, grid));
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(3), watcher::twipsToPixels(1100, grid));
    // A row fits the font.
    EXPECT_GE(grid->rowHeight(), grid->fontMetrics().height());

    QSignalSpy resets(server, &QAbstractItemModel::modelReset);
    writer.appendTrials(5);
    form->Update(false, false);
    EXPECT_EQ(page->logServer(), server);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(server->rowCount(), 30);
}

TEST_F(LogPageTest, LogTypeSelectsTrialsOrProgressStepsWithTheSameColumns) {
    LogWriter writer(logPath());
    writer.appendTrials(250);
    firstTrialSeen();
    form->Update(false, false);
    loggrid::ProgressDialogLogSvr* server = page->logServer();
    ASSERT_NE(server, nullptr);
    QSignalSpy resets(server, &QAbstractItemModel::modelReset);
    const int columns = grid->horizontalHeader()->count();

    page->comboLogType()->setCurrentIndex(1);
    EXPECT_EQ(m_manager.IDForQxLogReadRecordVB(), 1);
    EXPECT_EQ(server->rowCount(), 25);
    EXPECT_EQ(server->index(2, 0).data().toInt(), 21);
    page->comboLogType()->setCurrentIndex(0);
    EXPECT_EQ(m_manager.IDForQxLogReadRecordVB(), 0);
    EXPECT_EQ(server->rowCount(), 250);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(grid->horizontalHeader()->count(), columns);
}

TEST_F(LogPageTest, AppendedRowsKeepTheScrollPositionOrFollowTheEnd) {
    LogWriter writer(logPath());
    writer.appendTrials(500);
    firstTrialSeen();
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->Update(false, false);
    ASSERT_GT(grid->visibleRowCount(), 1);
    ASSERT_LT(grid->visibleRowCount(), 500);

    // The person looks at rows 100.. with 120..122 selected.
    grid->scrollToRow(100);
    grid->selectRows(120, 122);
    writer.appendTrials(50);
    form->Update(false, false);
    EXPECT_EQ(grid->topRow(), 100);
    EXPECT_EQ(grid->selectionFirst(), 120);
    EXPECT_EQ(grid->selectionLast(), 122);

    // At the end, the grid follows the end.
    grid->scrollToBottom();
    writer.appendTrials(50);
    form->Update(false, false);
    EXPECT_TRUE(grid->atEnd());
    EXPECT_EQ(grid->topRow(), 600 - grid->visibleRowCount());
    EXPECT_EQ(grid->selectionFirst(), 120);
}

TEST_F(LogPageTest, PopupCopiesTheHeaderAndTheSelectedRows) {
    LogWriter writer(logPath());
    writer.appendTrials(10);
    firstTrialSeen();
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->Update(false, false);
    QApplication::clipboard()->setText(QStringLiteral("before"));

    // Nothing selected: the clipboard is emptied.
    m_visual.queuePopupChoice(0);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(5, 300));
    EXPECT_EQ(QApplication::clipboard()->text(), QString());

    grid->selectRows(2, 4);
    m_visual.queuePopupChoice(0);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(5, grid->rowHeight() * 3 + 2));
    const QStringList lines = QApplication::clipboard()->text().split(QRegularExpression(QStringLiteral("\r\n|\r")));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Trial\tTime\tObjective\t\t\tBudget"));
    EXPECT_EQ(lines[1], QStringLiteral("3\t00:00:03\t6\t3\t3.5000\t3*"));
    EXPECT_EQ(lines[3], QStringLiteral("5\t00:00:05\t10\t5\t5.5000\t5*"));
    EXPECT_EQ(m_visual.pendingAnswers(), 0);

    // Keys extend the selection as the person would.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->selectionLast(), 5);
}

TEST_F(LogPageTest, DisposeReleasesTheServer) {
    LogWriter writer(logPath());
    writer.appendTrials(3);
    firstTrialSeen();
    form->Update(false, false);
    ASSERT_NE(page->logServer(), nullptr);
    m_logs.startLogging();
    form->Dispose();
    EXPECT_EQ(page->logServer(), nullptr);
    EXPECT_EQ(grid->model(), nullptr);
    EXPECT_EQ(m_logs.logMessages(),
              (QStringList{QStringLiteral("WATCHER, FormProgress.Dispose: Set m_Manager = Nothing"),
                           QStringLiteral("WATCHER: ProgressDialogLogServer.Dispose: Set m_Manager = Nothing"),
                           QStringLiteral("WATCHER, FormProgress.Dispose: Set m_LogServer = Nothing")}));
}

} // namespace
} // namespace formprogresstest

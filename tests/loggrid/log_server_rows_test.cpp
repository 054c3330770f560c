// Rows and cells on demand: the row count of each table, every column rule
// of a record, the one-record cache, the read-only refusals, engine errors
// and Dispose.
#include "LogGridTestSupport.h"

#include <QSignalSpy>

#include "TaggedCollection.h"
#include "ol/SpecialValues.h"

namespace loggridtest {
namespace {

using loggrid::ProgressDialogLogSvr;

engine::TaggedCollection flags(std::initializer_list<bool> values) {
    engine::TaggedCollection c;
    for (bool v : values)
        c.add(engine::TaggedValue::fromBool(v));
    return c;
}

TEST_F(LogServerTest, RowCountsOfEachTableWithoutRebuildingColumns) {
    auto log = makeLog(2, {{"c", 0, true}});
    for (int32_t n = 1; n <= 250; ++n) {
        const Record r = log->trial(n);
        log->append(r);
        if (n % 36 == 1)
            log->appendStep(1, r);
    }
    auto server = boundServer();
    const QStringList columnCalls = columns.calls;
    QSignalSpy resets(server.get(), &QAbstractItemModel::modelReset);
    QSignalSpy columnsRemoved(server.get(), &QAbstractItemModel::columnsRemoved);

    EXPECT_EQ(server->GetLogRowCount(), 250);
    EXPECT_EQ(server->IsgGridDataSource_GetRowCount(), 250);
    server->SetGridRowCount(server->GetLogRowCount());
    EXPECT_EQ(server->rowCount(), 250);
    EXPECT_EQ(rowTexts(*server, 249).first(), QStringLiteral("250"));

    manager.setIDForQxLogReadRecordVB(1);
    EXPECT_EQ(server->GetLogRowCount(), 7);
    server->SetGridRowCount(server->GetLogRowCount());
    EXPECT_EQ(server->rowCount(), 7);
    // Step 7 is trial 217 (1, 37, 73, ...).
    EXPECT_EQ(rowTexts(*server, 6).first(), QStringLiteral("217"));

    manager.setIDForQxLogReadRecordVB(0);
    server->SetGridRowCount(server->GetLogRowCount());
    EXPECT_EQ(server->rowCount(), 250);
    EXPECT_EQ(rowTexts(*server, 6).first(), QStringLiteral("7"));

    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(columnsRemoved.count(), 0);
    EXPECT_EQ(columns.calls, columnCalls);
    EXPECT_EQ(server->columnCount(), 3 + 2 + 1);
}

TEST_F(LogServerTest, GrowingRowCountAppendsRowsOnly) {
    auto log = makeLog(1, {});
    log->appendTrials(10);
    auto server = boundServer();
    server->SetGridRowCount(server->GetLogRowCount());
    QSignalSpy inserted(server.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(server.get(), &QAbstractItemModel::rowsRemoved);
    log->appendTrials(5);
    server->SetGridRowCount(server->GetLogRowCount());
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.first().at(1).toInt(), 10);
    EXPECT_EQ(inserted.first().at(2).toInt(), 14);
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(rowTexts(*server, 14).first(), QStringLiteral("15"));
}

TEST_F(LogServerTest, CellsOfARecordFollowEveryColumnRule) {
    // Constraints: atomic Z met, non-atomic Z violated, N violated by 0.25,
    // atomic Z whose cell has no value, N met.
    auto log = makeLog(
        3, {{"zMet", 0, true}, {"zSoft", 0, false}, {"nAmount", 1, true}, {"zNoValue", 0, true}, {"nZero", 2, false}});
    Record r = log->trial(5);
    r.constraintValues = {0.0, 2.0, 0.25, 0.0, 0.0};
    r.constraintCellValues = {42.0, 7.0, 1.0, ol::kNoValue, 3.0};
    r.geneValues = {1.5, 45000.0, 12345678.0};
    log->append(r);
    Record special = log->trial(6);
    special.valueWithPenalties = ol::kNoValue;
    log->append(special);
    Record upper = log->trial(7);
    upper.valueWithPenalties = 2e299;
    log->append(upper);

    manager.setInput_AdjustableCellsFormatAsDateCol(flags({false, true, false}));
    auto server = boundServer();
    server->SetGridRowCount(server->GetLogRowCount());
    ASSERT_EQ(server->columnCount(), 3 + 3 + 3 + 2);

    EXPECT_EQ(server->index(0, 0).data().typeId(), QMetaType::Int);
    EXPECT_EQ(rowTexts(*server, 0),
              (QStringList{QStringLiteral("5"), QStringLiteral("00:00:05"), QStringLiteral("50"),
                           QStringLiteral("1.5000"), QStringLiteral("3/15/2023"), QStringLiteral("1.2346E+007"),
                           QStringLiteral("42*"), QStringLiteral("Not met"), QStringLiteral("(no value)"),
                           QStringLiteral("0.2500"), QStringLiteral("0")}));
    // A special objective value shows common string 1, whatever the mode.
    EXPECT_EQ(rowTexts(*server, 1).at(2), QStringLiteral("N/A"));
    EXPECT_EQ(rowTexts(*server, 2).at(2), QStringLiteral("N/A"));

    // In constraint-solver mode every group-Z cell is met / not met, and the
    // objective is the plain count.
    manager.setInput_ConstraintSolverMode(true);
    ProgressDialogLogSvr solver;
    solver.InitializeAndAddColumnsToGrid(nullptr, &manager);
    solver.SetGridRowCount(solver.GetLogRowCount());
    const QStringList cells = rowTexts(solver, 0);
    EXPECT_EQ(cells.at(2), QStringLiteral("50"));
    EXPECT_EQ(cells.mid(6, 3), (QStringList{QStringLiteral("Met"), QStringLiteral("Not met"), QStringLiteral("Met")}));
    EXPECT_EQ(rowTexts(solver, 1).at(2), QStringLiteral("N/A"));
}

TEST_F(LogServerTest, AtomicConstraintCellValuesShowAsDatesWhenFlagged) {
    auto log = makeLog(0, {{"due", 0, true}});
    Record r = log->trial(1);
    r.constraintValues = {1.0};
    r.constraintCellValues = {45000.0};
    log->append(r);
    manager.setInput_AtomicConstraintsFormatAsDateCol(flags({true}));
    auto server = boundServer();
    server->SetGridRowCount(1);
    // Violated: no "*".
    EXPECT_EQ(rowTexts(*server, 0).at(3), QStringLiteral("3/15/2023"));
}

TEST_F(LogServerTest, FrontierColumnMarksTrialsOutsideTheLimit) {
    auto log = makeLog(1, {});
    Record inside = log->trial(1);
    inside.extra.constrainingCellValue = 12.5;
    inside.extra.markerFlag = 1;
    Record outside = log->trial(2);
    outside.extra.constrainingCellValue = 30.0;
    outside.extra.markerFlag = 0;
    log->append(inside);
    log->append(outside);
    log->appendStep(1, outside);
    manager.setInput_EFPerformAnalysis(true);
    auto server = boundServer();
    server->SetGridRowCount(server->GetLogRowCount());
    EXPECT_EQ(rowTexts(*server, 0).at(4), QStringLiteral("12.5000"));
    EXPECT_EQ(rowTexts(*server, 1).at(4), QStringLiteral("30*"));
    // Progress steps never carry the mark.
    manager.setIDForQxLogReadRecordVB(1);
    server->SetGridRowCount(server->GetLogRowCount());
    EXPECT_EQ(rowTexts(*server, 0).at(4), QStringLiteral("30"));
}

TEST_F(LogServerTest, OneReadPerRowAndTableKeptOnlyForTheLastRow) {
    auto log = makeLog(4, {{"a", 1, false}});
    log->appendTrials(3);
    log->appendStep(1, log->trial(3));
    auto server = boundServer();
    server->SetGridRowCount(3);
    rowTexts(*server, 1);
    rowTexts(*server, 1);
    EXPECT_EQ(server->RecordReads(), 1);
    rowTexts(*server, 2);
    rowTexts(*server, 1);
    EXPECT_EQ(server->RecordReads(), 3);
    // The same row of another table is another record.
    manager.setIDForQxLogReadRecordVB(1);
    EXPECT_EQ(server->index(0, 0).data().toInt(), 3);
    manager.setIDForQxLogReadRecordVB(0);
    EXPECT_EQ(server->index(0, 0).data().toInt(), 1);
    EXPECT_EQ(server->RecordReads(), 5);
}

TEST_F(LogServerTest, TheLogIsReadOnly) {
    auto log = makeLog(1, {});
    log->appendTrials(2);
    auto server = boundServer();
    server->SetGridRowCount(2);
    QVariantList row{QVariant(9), QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")};
    EXPECT_FALSE(server->IsgGridDataSource_AddRow(2, 4, row));
    EXPECT_FALSE(server->IsgGridDataSource_DeleteRow(0));
    server->IsgGridDataSource_SetRowData(0, 4, row);
    EXPECT_FALSE(server->setData(server->index(0, 0), 9));
    EXPECT_FALSE(server->insertRows(0, 1));
    EXPECT_FALSE(server->removeRows(0, 1));
    EXPECT_FALSE(server->flags(server->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(server->GetLogRowCount(), 2);
    EXPECT_EQ(server->index(0, 0).data().toInt(), 1);
}

TEST_F(LogServerTest, RowReadsWriteTheirLinesAndAtMostTwentyArrayElements) {
    auto log = makeLog(25, {{"a", 1, false}, {"b", 0, true}});
    log->appendTrials(2);
    auto server = boundServer();
    logDir.startLogging();
    EXPECT_EQ(server->GetLogRowCount(), 2);
    QVariantList row;
    server->IsgGridDataSource_GetRowData(1, 0, row);
    EXPECT_EQ(row.size(), 3 + 25 + 2);
    EXPECT_EQ(row.at(0).toInt(), 2);

    QString genes = QStringLiteral("Array geneValues: ");
    for (int g = 1; g <= 20; ++g)
        genes += QStringLiteral("  ") + engine::DiagnosticLog::NumberText(2 + g / 10.0);
    EXPECT_EQ(logDir.logMessages(),
              (QStringList{QStringLiteral("About to call QxLogGetRecordCounts2WVB with LogPath: ") + logPath +
                               QStringLiteral(", m_Manager.IDForQxLogReadRecordVB=0"),
                           QStringLiteral("QxLogGetRecordCounts2WVB returned TrialCount=2, progressStepCount=2, rc=0"),
                           QStringLiteral("About to call QxLogReadRecordVB with LogPath=") + logPath +
                               QStringLiteral(", recordNum=2, m_Manager.IDForQxLogReadRecordVB=0"),
                           QStringLiteral("QxLogReadRecordVB returned valueWithPenalties=20, recalcNum=2, rc=0"),
                           QStringLiteral("Array constraintValues:   0  0"), genes}));
}

TEST_F(LogServerTest, EngineErrorsAreLoggedAndNeverReachTheGrid) {
    auto log = makeLog(1, {});
    log->appendTrials(1);
    auto server = boundServer();
    logDir.startLogging();
    // A row past the end of the log: the cells come from the arrays as they
    // are, the failure is logged, and the row is read again after the next
    // change of the row count.
    server->SetGridRowCount(2);
    EXPECT_EQ(rowTexts(*server, 1).size(), 4);
    EXPECT_EQ(server->RecordReads(), 1);
    server->SetGridRowCount(2);
    rowTexts(*server, 1);
    EXPECT_EQ(server->RecordReads(), 2);
    bool loggedRead = false;
    for (const QString& line : logDir.logMessages())
        loggedRead |= line.startsWith(QStringLiteral(
            "Error in method: IsgGridDataSource_GetRowData, QxLib method: QxLogReadRecordVB, error number-"));
    EXPECT_TRUE(loggedRead);

    // A file that is no log: no rows.
    log.reset();
    ASSERT_TRUE(QFile::remove(logPath));
    QFile junk(logPath);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a log at all, just some bytes");
    junk.close();
    EXPECT_EQ(server->GetLogRowCount(), 0);
    bool loggedCount = false;
    for (const QString& line : logDir.logMessages())
        loggedCount |= line.startsWith(
            QStringLiteral("Error in method: IsgGridDataSource_GetRowCount, QxLib method: QxLogGetRecordCounts2WVB"));
    EXPECT_TRUE(loggedCount);
}

TEST_F(LogServerTest, DisposeReleasesEverythingAndSaysSo) {
    auto log = makeLog(2, {{"a", 0, true}});
    log->appendTrials(3);
    auto server = boundServer();
    server->SetGridRowCount(3);
    logDir.startLogging();
    server->Dispose();
    EXPECT_EQ(logDir.logMessages(),
              QStringList{QStringLiteral("WATCHER: ProgressDialogLogServer.Dispose: Set m_Manager = Nothing")});
    EXPECT_EQ(server->rowCount(), 0);
    EXPECT_EQ(server->GetLogRowCount(), 0);
    QVariantList row;
    server->IsgGridDataSource_GetRowData(0, 0, row);
    for (const QVariant& cell : row)
        EXPECT_FALSE(cell.isValid());
}

} // namespace
} // namespace loggridtest

// The server's column layout: the 1024-column budget, headers and widths in
// the order the grid shows them, the language table of the fixed columns and
// the errors of initialization.
#include "LogGridTestSupport.h"

#include "TaggedCollection.h"

namespace loggridtest {
namespace {

using loggrid::ProgressDialogLogSvr;

std::vector<Constraint> fiveConstraints() {
    return {{"z1", 0, true}, {"n1", 1, false}, {"z2", 0, false}, {"n2", 2, true}, {"z3", 0, true}};
}

engine::TaggedCollection names(const QString& prefix, int count) {
    engine::TaggedCollection c;
    for (int i = 1; i <= count; ++i)
        c.add(engine::TaggedValue::fromString(prefix + QString::number(i)));
    return c;
}

TEST_F(LogServerTest, ColumnBudgetLeavesNoRoomForConstraintsWhenGenesFillIt) {
    auto log = makeLog(1100, fiveConstraints());
    log->appendTrials(1);
    manager.setInput_AllGeneNamesCol(names(QStringLiteral("g"), 1100));

    auto single = boundServer();
    EXPECT_EQ(single->FixedColumnCount(), 3);
    EXPECT_EQ(single->GeneColumnCount(), 1021);
    EXPECT_EQ(single->GroupZColumnCount(), 0);
    EXPECT_EQ(single->GroupNColumnCount(), 0);
    EXPECT_EQ(single->TotalColumnCount(), 1024);
    EXPECT_EQ(single->columnCount(), 1024);
    EXPECT_EQ(single->headerData(1023, Qt::Horizontal).toString(), QStringLiteral("g1021"));

    manager.setInput_EFPerformAnalysis(true);
    manager.setInput_EFConstraintDisplayFormula_LHSide(QStringLiteral("Risk"));
    columns.calls.clear();
    auto frontier = boundServer();
    EXPECT_EQ(frontier->FixedColumnCount(), 4);
    EXPECT_EQ(frontier->GeneColumnCount(), 1020);
    EXPECT_EQ(frontier->TotalColumnCount(), 1024);
    // The frontier column follows the last gene column.
    EXPECT_EQ(frontier->headerData(1022, Qt::Horizontal).toString(), QStringLiteral("g1020"));
    EXPECT_EQ(frontier->headerData(1023, Qt::Horizontal).toString(), QStringLiteral("Risk"));
    EXPECT_EQ(columns.calls.size(), 1 + 1024);
}

TEST_F(LogServerTest, ColumnBudgetCutsGroupZBeforeGroupN) {
    // 1019 genes + 3 fixed leave two columns: the first two group-Z
    // constraints, none of group N.
    auto log = makeLog(1019, fiveConstraints());
    log->appendTrials(1);
    auto server = boundServer();
    EXPECT_EQ(server->GeneColumnCount(), 1019);
    EXPECT_EQ(server->GroupZColumnCount(), 2);
    EXPECT_EQ(server->GroupNColumnCount(), 0);
    EXPECT_EQ(server->headerData(1022, Qt::Horizontal).toString(), QStringLiteral("z1"));
    EXPECT_EQ(server->headerData(1023, Qt::Horizontal).toString(), QStringLiteral("z2"));

    // One gene less: all three of group Z and the first of group N.
    log.reset();
    auto smaller = makeLog(1017, fiveConstraints());
    server = boundServer();
    EXPECT_EQ(server->GroupZColumnCount(), 3);
    EXPECT_EQ(server->GroupNColumnCount(), 1);
    EXPECT_EQ(server->headerData(1023, Qt::Horizontal).toString(), QStringLiteral("n1"));
}

TEST_F(LogServerTest, ColumnsInOrderWithHeadersAndWidths) {
    auto log = makeLog(2, {{"  Budget  ", 1, false}, {"Limit", 0, true}, {std::string(120, 'x'), 0, false}});
    manager.setInput_AllGeneNamesCol(names(QStringLiteral("Cell "), 2));
    manager.setInput_EFPerformAnalysis(true);
    manager.setInput_EFConstraintDisplayFormula_LHSide(QString(100, u'y'));
    auto server = boundServer();

    const QString longName = QString(93, u'x') + QStringLiteral("...");
    const QString longFormula = QString(93, u'y') + QStringLiteral("...");
    EXPECT_EQ(columns.calls, (QStringList{QStringLiteral("remove"), QStringLiteral("Trial|600"),
                                          QStringLiteral("Time|1100"), QStringLiteral("Objective|1100"),
                                          QStringLiteral("Cell 1|1100"), QStringLiteral("Cell 2|1100"),
                                          longFormula + QStringLiteral("|1100"), QStringLiteral("Limit|1100"),
                                          longName + QStringLiteral("|1100"), QStringLiteral("Budget|1100")}));
    EXPECT_EQ(server->headerData(1, Qt::Horizontal, ProgressDialogLogSvr::kWidthTwipsRole).toInt(), 1100);
    EXPECT_EQ(server->GeneCount(), 2);
    EXPECT_EQ(server->ConstraintCount(), 3);
}

TEST_F(LogServerTest, GermanHeadersAndFixedWidths) {
    resources.reset();
    resources = std::make_unique<enginetest::ScopedResourceServer>(ol::kLanguageGerman);
    auto log = makeLog(0, {});
    auto server = boundServer();
    // The objective column takes the width of fixed column 3, not 2.
    EXPECT_EQ(columns.calls, (QStringList{QStringLiteral("remove"), QStringLiteral("Versuch|600"),
                                          QStringLiteral("Zeit|900"), QStringLiteral("Zielwert|1000")}));
}

TEST(LogServerWidths, LanguageTableAndBadColumnNumbers) {
    using S = ProgressDialogLogSvr;
    EXPECT_EQ(S::InitialColumnWidthForLanguage(17, 2), 950);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(4, 5), 1200);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(22, 1), 1350);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(22, 3), 1000);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(25, 0), 900);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(25, 7), 1400);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(7, 4), 1480);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(9, 2), 600);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(12, 5), 1200);
    EXPECT_EQ(S::InitialColumnWidthForLanguage(9, 8), 0);

    enginetest::ScopedResourceServer german(ol::kLanguageGerman);
    EXPECT_EQ(S::GetInitialColumnWidth(6), 1170);
    for (int32_t bad : {8, -1}) {
        int32_t width = 0;
        const ol::OLError e = enginetest::raised([&] { width = S::GetInitialColumnWidth(bad); });
        EXPECT_EQ(e.number(), ol::kErrInvalidArgument);
        EXPECT_EQ(e.source(), QStringLiteral("GetInitialColumnWidth"));
        EXPECT_EQ(e.description(), QStringLiteral("p_WhichColumn"));
        EXPECT_EQ(width, 0);
    }
}

TEST_F(LogServerTest, MissingLogIsRaisedAndLeavesTheGridAlone) {
    ProgressDialogLogSvr server;
    const ol::OLError e = enginetest::raised([&] { server.InitializeAndAddColumnsToGrid(&columns, &manager); });
    EXPECT_EQ(e.number(), ol::kErrGeneral);
    EXPECT_EQ(e.description(), QStringLiteral("No log information available to show in Watcher."));
    EXPECT_TRUE(columns.calls.isEmpty());
    EXPECT_EQ(server.columnCount(), 0);
    EXPECT_EQ(server.GetLogRowCount(), 0);
}

TEST_F(LogServerTest, InitializationWritesItsDiagnosticLines) {
    auto log = makeLog(3, fiveConstraints());
    logDir.startLogging();
    auto server = boundServer();
    const QStringList lines = logDir.logMessages();
    EXPECT_TRUE(lines.contains(QStringLiteral("About to call QxLogGetCountsVB with path=") + logPath));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("QxLogGetCountsVB returned numChromosomes=1, numGenes=3, numConstraints=5, rc=0")));
}

} // namespace
} // namespace loggridtest

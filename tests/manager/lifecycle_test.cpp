// Initialize, InitializeForms, Dispose and the automation properties.
#include <QMetaProperty>
#include <QRegularExpression>
#include <QVariant>

#include "ManagerTestSupport.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "ol/NamedMutex.h"

using namespace managertest;
using engine::ProcessState;
using engine::TaggedCollection;
using engine::TaggedValue;
using manager::ObjectRef;
using manager::WatcherManager;

namespace {

using LifecycleTest = ManagerTest;

TaggedCollection twoNames() {
    return TaggedCollection(
        {TaggedValue::fromString(QStringLiteral("A1")), TaggedValue::fromString(QStringLiteral("B2"))});
}

const char* const kCollections[] = {"Input_AllGeneNamesCol",
                                    "Input_GroupNames",
                                    "Input_GroupSolvingMethods",
                                    "Input_AdjustableCellsFormatAsDateCol",
                                    "Input_AtomicConstraintsFormatAsDateCol",
                                    "Input_ConstraintSolver_HardConstraintDescriptions",
                                    "Input_ConstraintSolver_HardConstraintFormulas",
                                    "Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final",
                                    "Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial",
                                    "Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted"};

} // namespace

// The D-Bus bridge finds the properties by name and maps them by type, in
// the interface's order.
TEST_F(LifecycleTest, PropertiesHaveTheInterfaceNamesTypesAndOrder) {
    const struct {
        const char* name;
        QMetaType type;
    } expected[] = {
        {"ShowExcelRecalculations", QMetaType::fromType<qint32>()},
        {"Input_DisplayAlerts", QMetaType::fromType<bool>()},
        {"Input_PopHandle", QMetaType::fromType<qint32>()},
        {"Input_OptimizationStartedFromGUI", QMetaType::fromType<bool>()},
        {"Input_LogPath", QMetaType::fromType<QString>()},
        {"Input_MainHelpFilePath", QMetaType::fromType<QString>()},
        {"Input_PopulationSize", QMetaType::fromType<qint32>()},
        {"Input_NumConstraints", QMetaType::fromType<qint32>()},
        {"Input_Runtime_TrialCount", QMetaType::fromType<double>()},
        {"Input_Runtime_NumIterations", QMetaType::fromType<qint32>()},
        {"Input_Runtime_Milliseconds", QMetaType::fromType<double>()},
        {"Input_ExcelAppHwnd", QMetaType::fromType<qint32>()},
        {"Input_ExcelProcessID", QMetaType::fromType<qint32>()},
        {"Input_DisallowInteractionWithExcelWindow", QMetaType::fromType<bool>()},
        {"Input_ExcelApplication", QMetaType::fromType<ObjectRef>()},
        {"Input_Application", QMetaType::fromType<ObjectRef>()},
        {"Input_KitsetCallbacksObject", QMetaType::fromType<ObjectRef>()},
        {"Input_AllGeneNamesCol", QMetaType::fromType<TaggedCollection>()},
        {"Input_GroupNames", QMetaType::fromType<TaggedCollection>()},
        {"Input_GroupSolvingMethods", QMetaType::fromType<TaggedCollection>()},
        {"Input_TargetCellValuesTreatedAsDates", QMetaType::fromType<bool>()},
        {"Input_TargetCellNumberFormat", QMetaType::fromType<QString>()},
        {"Input_TargetCellNumberFormat_ShortIfDate", QMetaType::fromType<QString>()},
        {"Input_TargetCellNumberFormatIsLocal", QMetaType::fromType<bool>()},
        {"Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish", QMetaType::fromType<QString>()},
        {"Input_AdjustableCellsFormatAsDateCol", QMetaType::fromType<TaggedCollection>()},
        {"Input_AtomicConstraintsFormatAsDateCol", QMetaType::fromType<TaggedCollection>()},
        {"Input_EFConstrainedCellValuesTreatedAsDate", QMetaType::fromType<bool>()},
        {"Input_EFConstrainedCellNumberFormat", QMetaType::fromType<QString>()},
        {"Input_EFConstrainedCellNumberFormat_ShortIfDate", QMetaType::fromType<QString>()},
        // A String, unlike its target-cell twin.
        {"Input_EFConstrainedCellNumberFormatIsLocal", QMetaType::fromType<QString>()},
        {"Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish", QMetaType::fromType<QString>()},
        {"Input_GAMutationIsAuto", QMetaType::fromType<bool>()},
        {"Input_ConstraintSolverMode", QMetaType::fromType<bool>()},
        {"Input_ConstraintSolver_HardConstraintDescriptions", QMetaType::fromType<TaggedCollection>()},
        {"Input_ConstraintSolver_HardConstraintFormulas", QMetaType::fromType<TaggedCollection>()},
        {"Input_ConstraintSolver_FixedSeed", QMetaType::fromType<bool>()},
        {"Input_OptimizationEngine", QMetaType::fromType<qint32>()},
        {"Input_MCoreOptimization", QMetaType::fromType<bool>()},
        {"Input_MCoreNumWorkerProcesses", QMetaType::fromType<qint32>()},
        {"Stop_AtEndShowOptionsToUser", QMetaType::fromType<bool>()},
        {"Stop_AtEndGenerateOptimizationSummary", QMetaType::fromType<bool>()},
        {"Stop_AtEndWriteLogOfAllTrials", QMetaType::fromType<bool>()},
        {"Stop_AtEndWriteLogOfProgressSteps", QMetaType::fromType<bool>()},
        {"Stop_SolutionToKeep", QMetaType::fromType<qint32>()},
        {"Stop_ConstraintSolver_FixSeed", QMetaType::fromType<bool>()},
        {"Input_SuppressProgressWindow", QMetaType::fromType<bool>()},
        {"WatcherShown", QMetaType::fromType<bool>()},
        {"GotInitializedAfterFirstTrial", QMetaType::fromType<bool>()},
        {"WaitingAfterPauseClicked", QMetaType::fromType<bool>()},
        {"WaitingAfterStopClicked", QMetaType::fromType<bool>()},
        {"WaitingAfterEFNextOptimizationClicked", QMetaType::fromType<bool>()},
        {"IDForQxLogReadRecordVB", QMetaType::fromType<qint32>()},
        {"Input_ProgressGraphPath", QMetaType::fromType<QString>()},
        {"Input_ExcelMajorVersion", QMetaType::fromType<qint32>()},
        {"Input_EFPerformAnalysis", QMetaType::fromType<bool>()},
        {"Input_EFNumConstrainingValues", QMetaType::fromType<qint32>()},
        {"Input_EFConstraintDisplayFormula_LHSide", QMetaType::fromType<QString>()},
        {"Input_EFConstraintOperator", QMetaType::fromType<qint32>()},
        {"Input_EFConstraintOperatorAsString", QMetaType::fromType<QString>()},
        {"Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final", QMetaType::fromType<TaggedCollection>()},
        {"Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial", QMetaType::fromType<TaggedCollection>()},
        {"Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted",
         QMetaType::fromType<TaggedCollection>()},
        {"Input_RuntimeGoalType", QMetaType::fromType<qint32>()},
        {"Input_RuntimeTargetValue", QMetaType::fromType<double>()},
        {"Input_OptimizationObjectiveStr", QMetaType::fromType<QString>()},
        {"Input_EFConstraintFormula", QMetaType::fromType<QString>()},
        {"Input_VntLibHVars", QMetaType::fromType<qint32>()},
        {"Input_NETApplication", QMetaType::fromType<ObjectRef>()},
        {"ReportPlacement", QMetaType::fromType<qint32>()},
        {"MirGraphModalDialogBeingDisplayed", QMetaType::fromType<bool>()},
    };
    const QMetaObject& mo = WatcherManager::staticMetaObject;
    const int first = mo.propertyOffset();
    ASSERT_EQ(mo.propertyCount() - first, int(std::size(expected)));
    for (int i = 0; i < int(std::size(expected)); ++i) {
        const QMetaProperty p = mo.property(first + i);
        EXPECT_STREQ(p.name(), expected[i].name) << "position " << i;
        EXPECT_EQ(p.metaType(), expected[i].type) << p.name();
        EXPECT_TRUE(p.isReadable()) << p.name();
        EXPECT_EQ(p.isWritable(), i + 1 < int(std::size(expected))) << p.name();
    }

    // Written and read back through the meta-object, as the bridge does.
    WatcherManager m;
    EXPECT_TRUE(m.setProperty("Input_GroupNames", QVariant::fromValue(twoNames())));
    EXPECT_EQ(m.Input_GroupNames(), twoNames());
    const ObjectRef excelRef{QStringLiteral(":1.42"), QStringLiteral("/host/excel")};
    EXPECT_TRUE(m.setProperty("Input_ExcelApplication", QVariant::fromValue(excelRef)));
    EXPECT_EQ(m.property("Input_ExcelApplication").value<ObjectRef>(), excelRef);
    EXPECT_TRUE(m.setProperty("Input_RuntimeTargetValue", 2.5));
    EXPECT_EQ(m.Input_RuntimeTargetValue(), 2.5);
    EXPECT_FALSE(m.setProperty("MirGraphModalDialogBeingDisplayed", true));
}

TEST_F(LifecycleTest, ASecondRunIsRefusedUntilTheFirstIsDisposed) {
    WatcherManager first;
    first.Initialize();
    EXPECT_EQ(ProcessState::currentManager(), &first);
    EXPECT_TRUE(ol::NamedMutex::exists(WatcherManager::kWatcherMutexName));

    {
        WatcherManager second;
        const ol::OLError e = raised([&] { second.Initialize(); });
        EXPECT_EQ(e.number(), 0x8004000Au);
        EXPECT_EQ(e.description(),
                  QStringLiteral("Cannot optimize, because optimization is under way in another copy of Excel."));
        // The refused manager's clean-up must not end the first one's run.
        second.Dispose();
    }
    EXPECT_TRUE(ProcessState::optimizationUnderWay());
    WatcherManager third;
    EXPECT_EQ(raised([&] { third.Initialize(); }).number(), ol::kErrGeneral);

    first.Dispose();
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_EQ(ProcessState::currentManager(), nullptr);
    EXPECT_EQ(ProcessState::resourceServer(), nullptr);
    third.Initialize();
    EXPECT_EQ(ProcessState::currentManager(), &third);
    EXPECT_NE(ProcessState::resourceServer(), nullptr);
    third.Dispose();
}

TEST_F(LifecycleTest, InitializeEmptiesCollectionsSetBeforeIt) {
    WatcherManager m;
    for (const char* name : kCollections)
        ASSERT_TRUE(m.setProperty(name, QVariant::fromValue(twoNames()))) << name;
    m.setIDForQxLogReadRecordVB(7);
    m.Initialize();
    for (const char* name : kCollections)
        EXPECT_TRUE(m.property(name).value<TaggedCollection>().isEmpty()) << name;
    EXPECT_EQ(m.IDForQxLogReadRecordVB(), 0);
    m.Dispose();
}

TEST_F(LifecycleTest, InitializeFormsMakesCompactThenFullOfTheRunsKind) {
    for (const bool ef : {false, true}) {
        journal.clear();
        factory.requests.clear();
        auto m = std::make_unique<WatcherManager>();
        m->Initialize();
        m->setInput_EFPerformAnalysis(ef);
        m->InitializeForms();
        const QString kind = QString::number(int(ef));
        EXPECT_EQ(factory.requests,
                  QStringList({QStringLiteral("compact(ef=") + kind + u')', QStringLiteral("full(ef=") + kind + u')'}));
        EXPECT_EQ(journal, Journal({QStringLiteral("compact.Initialize"), QStringLiteral("full.Initialize")}));
        EXPECT_EQ(factory.compact->initializedWith, m.get());
        EXPECT_EQ(factory.full->initializedWith, m.get());
        EXPECT_EQ(m->compactWindow(), factory.compact);
        EXPECT_EQ(m->fullWindow(), factory.full);
        m->Dispose();
    }
}

TEST_F(LifecycleTest, InitializeFormsLeavesNothingHalfMade) {
    auto m = std::make_unique<WatcherManager>();
    m->Initialize();

    factory.makeFull = false; // the efficient-frontier windows do not exist yet
    ol::OLError e = raised([&] { m->InitializeForms(); });
    EXPECT_EQ(e.number(), ol::kErrGeneral);
    EXPECT_TRUE(e.description().contains(QStringLiteral("not available"))) << e.description().toStdString();
    EXPECT_EQ(m->compactWindow(), nullptr);
    EXPECT_EQ(m->fullWindow(), nullptr);
    EXPECT_TRUE(journal.empty()) << "no window was initialized";

    factory.makeFull = true;
    factory.setUpFull = [](ScriptedFullWindow& w) { w.failing.insert(QStringLiteral("Initialize")); };
    EXPECT_EQ(raised([&] { m->InitializeForms(); }).number(), ol::kErrGeneral);
    EXPECT_EQ(m->compactWindow(), nullptr);
    EXPECT_EQ(m->fullWindow(), nullptr);
    EXPECT_TRUE(std::count(journal.begin(), journal.end(), QStringLiteral("compact.Dispose")) == 1);

    // After a failure a new attempt starts afresh.
    factory.setUpFull = nullptr;
    m->InitializeForms();
    EXPECT_NE(m->fullWindow(), nullptr);

    manager::setWindowFactory(nullptr);
    WatcherManager other;
    EXPECT_EQ(raised([&] { other.InitializeForms(); }).number(), ol::kErrGeneral);
    m->Dispose();
}

TEST_F(LifecycleTest, DisposeWritesTheGraphThenReleasesWindowsObjectsAndFlags) {
    TestLog log;
    log.addTrials(3);
    auto m = startedManager();
    m->setInput_LogPath(log.path());
    m->setInput_ProgressGraphPath(logDir.filePath(QStringLiteral("progress.png")));
    m->setInput_KitsetCallbacksObject(ObjectRef{QStringLiteral(":1.7"), QStringLiteral("/kitset")});
    m->setInput_GroupNames(twoNames());
    connector.app->graphSize = QSize(800, 300);
    startLogging();
    WatcherManager::setStopClickInProgress(true);
    const QString title = engine::GetResourceString(5200);

    m->Dispose();

    const auto& exported = factory.lastExport;
    ASSERT_TRUE(exported.has_value());
    EXPECT_EQ(exported->path, logDir.filePath(QStringLiteral("progress.png")));
    EXPECT_EQ(exported->title, title);
    // Three trials: the axis maximum is raised to 10.
    EXPECT_EQ(exported->axisMaximum, 10.0);
    EXPECT_EQ(exported->width, 800);
    EXPECT_EQ(exported->height, 300);

    EXPECT_EQ(journal,
              Journal({QStringLiteral("full.ExportProgressGraph"), QStringLiteral("full.Hide"),
                       QStringLiteral("full.Unload"), QStringLiteral("full.Dispose"), QStringLiteral("compact.Hide"),
                       QStringLiteral("compact.Unload"), QStringLiteral("compact.Dispose")}));
    EXPECT_EQ(m->compactWindow(), nullptr);
    EXPECT_EQ(m->fullWindow(), nullptr);
    EXPECT_TRUE(m->Input_ExcelApplication().isNull());
    EXPECT_TRUE(m->Input_Application().isNull());
    EXPECT_TRUE(m->Input_KitsetCallbacksObject().isNull());
    EXPECT_TRUE(m->Input_GroupNames().isEmpty());
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_FALSE(WatcherManager::stopClickInProgress());
    EXPECT_EQ(ProcessState::currentManager(), nullptr);
    EXPECT_EQ(ProcessState::resourceServer(), nullptr);

    const QStringList expectedLines = {
        QStringLiteral("WATCHER: entering WatcherManager.Dispose"),
        QStringLiteral("WATCHER, WatcherManager: after GenerateProgressGraphFile"),
        QStringLiteral("WATCHER, WatcherManager: HideAndUnloadDialog, hid dialog"),
        QStringLiteral("WATCHER, WatcherManager: HideAndUnloadDialog, unloaded form, Err: "),
        QStringLiteral("WATCHER, WatcherManager.Dispose: Set Input_ExcelApplication = Nothing"),
        QStringLiteral("WATCHER, WatcherManager.Dispose: Set Input_Application = Nothing"),
        QStringLiteral("WATCHER, WatcherManager.Dispose: Set Input_KitsetCallbacksObject = Nothing"),
        QStringLiteral("WATCHER, WatcherManager.Dispose: Set m_FormWatcher = Nothing"),
        QStringLiteral("WATCHER, WatcherManager.Dispose: Set g_ResourceServer = Nothing"),
        QStringLiteral("WATCHER: exiting WatcherManager.Dispose"),
    };
    // The log readers that Dispose asks write lines of their own.
    EXPECT_EQ(logMessages().filter(QRegularExpression(QStringLiteral("^WATCHER"))), expectedLines);
}

TEST_F(LifecycleTest, DisposeGoesOnAfterFailingStepsAndSkipsTheGraphOfAnEmptyLog) {
    TestLog log;
    auto m = startedManager();
    m->setInput_LogPath(log.path());
    m->setInput_ProgressGraphPath(logDir.filePath(QStringLiteral("progress.png")));
    factory.full->failing = {QStringLiteral("Hide"), QStringLiteral("Unload"), QStringLiteral("Dispose")};
    startLogging();

    m->Dispose();

    EXPECT_EQ(callsOf(QStringLiteral("full.")),
              QStringList({QStringLiteral("Hide"), QStringLiteral("Unload"), QStringLiteral("Dispose")}));
    EXPECT_EQ(callsOf(QStringLiteral("compact.")),
              QStringList({QStringLiteral("Hide"), QStringLiteral("Unload"), QStringLiteral("Dispose")}));
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_TRUE(logged(QStringLiteral("WATCHER, WatcherManager: HideAndUnloadDialog, unloaded form, Err: scripted "
                                      "failure of Unload")));
}

TEST_F(LifecycleTest, TheGraphAxisIsRoundedUpAndASilentHostGetsTheDefaultSize) {
    TestLog log;
    log.addTrials(25);
    auto m = startedManager();
    m->setInput_LogPath(log.path());
    m->setInput_ProgressGraphPath(logDir.filePath(QStringLiteral("g.png")));
    m->GenerateProgressGraphFile();
    ASSERT_TRUE(factory.full->exported.has_value());
    EXPECT_EQ(factory.full->exported->axisMaximum, 30.0);
    EXPECT_EQ(QSize(factory.full->exported->width, factory.full->exported->height), QSize(640, 480));
    m->Dispose();
}

TEST_F(LifecycleTest, AManagerDestroyedWithoutDisposeEndsItsRun) {
    { auto m = startedManager(); }
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_EQ(ProcessState::currentManager(), nullptr);
    EXPECT_EQ(callsOf(QStringLiteral("compact.")).last(), QStringLiteral("Dispose"));
}

TEST_F(LifecycleTest, StopTimerAndGraphDialogConcernOnlyTheFullWindow) {
    auto m = startedManager();
    EXPECT_FALSE(m->MirGraphModalDialogBeingDisplayed());
    factory.full->graphDialogUp = true;
    EXPECT_TRUE(m->MirGraphModalDialogBeingDisplayed());
    EXPECT_TRUE(m->property("MirGraphModalDialogBeingDisplayed").toBool());
    journal.clear();

    m->StopTimer();
    EXPECT_EQ(journal,
              Journal({QStringLiteral("full.SetStopTimer(1)"), QStringLiteral("full.SetUpdateTimerEnabled(0)")}));
    factory.full->failing.insert(QStringLiteral("MirGraphModalDialogBeingDisplayed"));
    EXPECT_FALSE(m->MirGraphModalDialogBeingDisplayed());
    m->Dispose();
    // Without windows these report nothing and raise nothing.
    EXPECT_FALSE(m->MirGraphModalDialogBeingDisplayed());
    m->StopTimer();
}

TEST_F(LifecycleTest, TheSurvivalCheckerReachesTheHostThroughTheManager) {
    auto m = startedManager();
    m->setInput_ExcelMajorVersion(16);
    EXPECT_TRUE(m->hasExcelApplication());
    EXPECT_EQ(m->excelMajorVersion(), 16);
    EXPECT_EQ(m->excelAppWindow(), 4711);
    m->runExcelMacro(QStringLiteral("Selvane.xla!OptDoEvents"));
    EXPECT_EQ(journal, Journal({QStringLiteral("excel.run(Selvane.xla!OptDoEvents)")}));

    EXPECT_TRUE(m->findTopLevelWindow(QStringLiteral("Selvane")).isNull());
    WatcherManager::setTopLevelWindowFinder([](const QString& title) {
        return title == QStringLiteral("Selvane") ? ol::WindowRef::host(77) : ol::WindowRef();
    });
    EXPECT_EQ(m->findTopLevelWindow(QStringLiteral("Selvane")), ol::WindowRef::host(77));
    WatcherManager::setTopLevelWindowFinder(nullptr);

    m->setInput_ExcelApplication(ObjectRef());
    EXPECT_FALSE(m->hasExcelApplication());
    EXPECT_EQ(m->excel(), nullptr);
    EXPECT_EQ(raised([&] { m->runExcelMacro(QStringLiteral("x")); }).number(), ol::kErrGeneral);
    m->Dispose();
}

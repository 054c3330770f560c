// Initialize, InitializeForms, Dispose and the automation properties.
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTimer>
#include <QVariant>

#include "ManagerTestSupport.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "ol/NamedMutex.h"

using namespace managertest;
using namespace Qt::StringLiterals;
using engine::ProcessState;
using engine::TaggedCollection;
using engine::TaggedValue;
using manager::ObjectRef;
using manager::WatcherManager;

namespace {

using LifecycleTest = ManagerTest;

const TaggedCollection kNames({TaggedValue::fromString(QStringLiteral("A1")),
                               TaggedValue::fromString(QStringLiteral("B2"))});

} // namespace

// The D-Bus bridge finds each property by its name and maps it by its type;
// the interface lists them in this order.
TEST_F(LifecycleTest, PropertiesHaveTheInterfaceNamesTypesAndOrder) {
    const QString table = QStringLiteral(
        "ShowExcelRecalculations:i Input_DisplayAlerts:b Input_PopHandle:i Input_OptimizationStartedFromGUI:b "
        "Input_LogPath:s Input_MainHelpFilePath:s Input_PopulationSize:i Input_NumConstraints:i "
        "Input_Runtime_TrialCount:d Input_Runtime_NumIterations:i Input_Runtime_Milliseconds:d Input_ExcelAppHwnd:i "
        "Input_ExcelProcessID:i Input_DisallowInteractionWithExcelWindow:b Input_ExcelApplication:o "
        "Input_Application:o Input_KitsetCallbacksObject:o Input_AllGeneNamesCol:c Input_GroupNames:c "
        "Input_GroupSolvingMethods:c Input_TargetCellValuesTreatedAsDates:b Input_TargetCellNumberFormat:s "
        "Input_TargetCellNumberFormat_ShortIfDate:s Input_TargetCellNumberFormatIsLocal:b "
        "Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish:s Input_AdjustableCellsFormatAsDateCol:c "
        "Input_AtomicConstraintsFormatAsDateCol:c Input_EFConstrainedCellValuesTreatedAsDate:b "
        "Input_EFConstrainedCellNumberFormat:s Input_EFConstrainedCellNumberFormat_ShortIfDate:s "
        "Input_EFConstrainedCellNumberFormatIsLocal:s Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish:s "
        "Input_GAMutationIsAuto:b Input_ConstraintSolverMode:b Input_ConstraintSolver_HardConstraintDescriptions:c "
        "Input_ConstraintSolver_HardConstraintFormulas:c Input_ConstraintSolver_FixedSeed:b "
        "Input_OptimizationEngine:i Input_MCoreOptimization:b Input_MCoreNumWorkerProcesses:i "
        "Stop_AtEndShowOptionsToUser:b Stop_AtEndGenerateOptimizationSummary:b Stop_AtEndWriteLogOfAllTrials:b "
        "Stop_AtEndWriteLogOfProgressSteps:b Stop_SolutionToKeep:i Stop_ConstraintSolver_FixSeed:b "
        "Input_SuppressProgressWindow:b WatcherShown:b GotInitializedAfterFirstTrial:b WaitingAfterPauseClicked:b "
        "WaitingAfterStopClicked:b WaitingAfterEFNextOptimizationClicked:b IDForQxLogReadRecordVB:i "
        "Input_ProgressGraphPath:s Input_ExcelMajorVersion:i Input_EFPerformAnalysis:b "
        "Input_EFNumConstrainingValues:i Input_EFConstraintDisplayFormula_LHSide:s Input_EFConstraintOperator:i "
        "Input_EFConstraintOperatorAsString:s Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final:c "
        "Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial:c "
        "Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted:c Input_RuntimeGoalType:i "
        "Input_RuntimeTargetValue:d Input_OptimizationObjectiveStr:s Input_EFConstraintFormula:s "
        "Input_VntLibHVars:i Input_NETApplication:o ReportPlacement:i MirGraphModalDialogBeingDisplayed:b");
    const std::map<QChar, QMetaType> types = {
        {u'b', QMetaType::fromType<bool>()},      {u'i', QMetaType::fromType<qint32>()},
        {u'd', QMetaType::fromType<double>()},    {u's', QMetaType::fromType<QString>()},
        {u'o', QMetaType::fromType<ObjectRef>()}, {u'c', QMetaType::fromType<TaggedCollection>()}};
    const QStringList expected = table.split(u' ');
    const QMetaObject& mo = WatcherManager::staticMetaObject;
    ASSERT_EQ(mo.propertyCount() - mo.propertyOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaProperty p = mo.property(mo.propertyOffset() + i);
        EXPECT_EQ(QString::fromLatin1(p.name()), expected[i].section(u':', 0, 0)) << "position " << i;
        EXPECT_EQ(p.metaType(), types.at(expected[i].back())) << p.name();
        EXPECT_EQ(p.isWritable(), i + 1 < expected.size()) << p.name(); // the last one is read-only
    }

    WatcherManager m;
    EXPECT_TRUE(m.setProperty("Input_GroupNames", QVariant::fromValue(kNames)));
    EXPECT_EQ(m.Input_GroupNames(), kNames);
    const ObjectRef ref{QStringLiteral(":1.42"), QStringLiteral("/host/excel")};
    EXPECT_TRUE(m.setProperty("Input_ExcelApplication", QVariant::fromValue(ref)));
    EXPECT_EQ(m.property("Input_ExcelApplication").value<ObjectRef>(), ref);
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
    WatcherManager third;
    EXPECT_EQ(raised([&] { third.Initialize(); }).number(), ol::kErrGeneral);

    first.Dispose();
    EXPECT_EQ(ProcessState::currentManager(), nullptr);
    EXPECT_EQ(ProcessState::resourceServer(), nullptr);
    third.Initialize();
    EXPECT_EQ(ProcessState::currentManager(), &third);
    EXPECT_NE(ProcessState::resourceServer(), nullptr);
    third.Dispose();
}

TEST_F(LifecycleTest, InitializeEmptiesCollectionsSetBeforeIt) {
    WatcherManager m;
    QStringList collections;
    for (int i = m.metaObject()->propertyOffset(); i < m.metaObject()->propertyCount(); ++i)
        if (m.metaObject()->property(i).metaType() == QMetaType::fromType<TaggedCollection>())
            collections << QString::fromLatin1(m.metaObject()->property(i).name());
    ASSERT_EQ(collections.size(), 10);
    for (const QString& name : collections)
        m.setProperty(name.toLatin1().constData(), QVariant::fromValue(kNames));
    m.setIDForQxLogReadRecordVB(7);
    m.Initialize();
    for (const QString& name : collections)
        EXPECT_TRUE(m.property(name.toLatin1().constData()).value<TaggedCollection>().isEmpty()) << name.toStdString();
    EXPECT_EQ(m.IDForQxLogReadRecordVB(), 0);
    m.Dispose();
}

TEST_F(LifecycleTest, InitializeFormsMakesCompactThenFullOfTheRunsKind) {
    for (const bool ef : {false, true}) {
        factory.requests.clear();
        auto m = startedManager(ef);
        const QString kind = QString::number(int(ef));
        EXPECT_EQ(factory.requests, QStringList({u"compact(ef=" + kind + u')', u"full(ef=" + kind + u')'}));
        EXPECT_EQ(factory.compact->initializedWith, m.get());
        EXPECT_EQ(factory.full->initializedWith, m.get());
        EXPECT_EQ(m->fullWindow(), factory.full);
        m->Dispose();
    }
}

TEST_F(LifecycleTest, InitializeFormsLeavesNothingHalfMade) {
    WatcherManager m;
    m.Initialize();
    factory.makeFull = false; // as for the efficient-frontier windows, which do not exist yet
    EXPECT_EQ(raised([&] { m.InitializeForms(); }).number(), ol::kErrGeneral);
    EXPECT_EQ(m.compactWindow(), nullptr);
    EXPECT_TRUE(journal.isEmpty());

    factory.makeFull = true;
    factory.setUpFull = [](ScriptedFullWindow& w) { w.failing.insert(QStringLiteral("Initialize")); };
    EXPECT_EQ(raised([&] { m.InitializeForms(); }).number(), ol::kErrGeneral);
    EXPECT_EQ(m.compactWindow(), nullptr);
    EXPECT_EQ(m.fullWindow(), nullptr);
    EXPECT_TRUE(journal.contains(QStringLiteral("compact.Dispose")));

    manager::setWindowFactory(nullptr);
    EXPECT_EQ(raised([&] { m.InitializeForms(); }).number(), ol::kErrGeneral);
    m.Dispose();
}

TEST_F(LifecycleTest, DisposeWritesTheGraphThenReleasesWindowsObjectsAndFlags) {
    TestLog log;
    log.addTrials(3);
    auto m = startedManager();
    m->setInput_LogPath(log.path());
    m->setInput_ProgressGraphPath(logDir.filePath(QStringLiteral("progress.png")));
    m->setInput_KitsetCallbacksObject(ObjectRef{QStringLiteral(":1.7"), QStringLiteral("/kitset")});
    m->setInput_GroupNames(kNames);
    connector.host->graphSize = QSize(800, 300);
    const QString title = engine::GetResourceString(5200);
    WatcherManager::setStopClickInProgress(true);
    startLogging();

    m->Dispose();

    ASSERT_TRUE(factory.lastExport.has_value());
    EXPECT_EQ(factory.lastExport->path, logDir.filePath(QStringLiteral("progress.png")));
    EXPECT_EQ(factory.lastExport->title, title);
    EXPECT_EQ(factory.lastExport->axisMaximum, 10.0); // 3 trials: raised to 10
    EXPECT_EQ(factory.lastExport->size, QSize(800, 300));
    EXPECT_EQ(journal, Journal({u"full.ExportProgressGraph"_s, u"full.Hide"_s, u"full.Unload"_s, u"full.Dispose"_s,
                                u"compact.Hide"_s, u"compact.Unload"_s, u"compact.Dispose"_s}));
    EXPECT_EQ(m->compactWindow(), nullptr);
    EXPECT_TRUE(m->Input_ExcelApplication().isNull());
    EXPECT_TRUE(m->Input_Application().isNull());
    EXPECT_TRUE(m->Input_KitsetCallbacksObject().isNull());
    EXPECT_TRUE(m->Input_GroupNames().isEmpty());
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_FALSE(WatcherManager::stopClickInProgress());
    EXPECT_EQ(ProcessState::currentManager(), nullptr);
    EXPECT_EQ(ProcessState::resourceServer(), nullptr);
    // The log readers that Dispose asks write lines of their own.
    EXPECT_EQ(logMessages().filter(QRegularExpression(QStringLiteral("^WATCHER"))),
              QStringList({u"WATCHER: entering WatcherManager.Dispose"_s,
                           u"WATCHER, WatcherManager: after GenerateProgressGraphFile"_s,
                           u"WATCHER, WatcherManager: HideAndUnloadDialog, hid dialog"_s,
                           u"WATCHER, WatcherManager: HideAndUnloadDialog, unloaded form, Err: "_s,
                           u"WATCHER, WatcherManager.Dispose: Set Input_ExcelApplication = Nothing"_s,
                           u"WATCHER, WatcherManager.Dispose: Set Input_Application = Nothing"_s,
                           u"WATCHER, WatcherManager.Dispose: Set Input_KitsetCallbacksObject = Nothing"_s,
                           u"WATCHER, WatcherManager.Dispose: Set m_FormWatcher = Nothing"_s,
                           u"WATCHER, WatcherManager.Dispose: Set g_ResourceServer = Nothing"_s,
                           u"WATCHER: exiting WatcherManager.Dispose"_s}));
}

TEST_F(LifecycleTest, DisposeOfAnEmptyLogWritesNoGraphAndGoesOnAfterErrors) {
    TestLog log;
    auto m = startedManager();
    m->setInput_LogPath(log.path());
    m->setInput_ProgressGraphPath(logDir.filePath(QStringLiteral("progress.png")));
    factory.full->failing = {u"Hide"_s, u"Unload"_s, u"Dispose"_s};
    startLogging();
    m->Dispose();
    EXPECT_FALSE(factory.lastExport.has_value());
    EXPECT_EQ(journal, Journal({u"full.Hide"_s, u"full.Unload"_s, u"full.Dispose"_s, u"compact.Hide"_s,
                                u"compact.Unload"_s, u"compact.Dispose"_s}));
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_TRUE(
        logged(u"WATCHER, WatcherManager: HideAndUnloadDialog, unloaded form, Err: scripted failure of Unload"_s));
}

TEST_F(LifecycleTest, AManagerDroppedWithoutDisposeEndsItsRun) {
    startedManager().reset();
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_EQ(journal.last(), QStringLiteral("compact.Dispose"));
}

// While a graph of the Watcher window shows its dialog, neither a switch to
// the compact window nor Dispose takes the window away; Dispose waits for the
// dialog, the event loop running, and then goes ahead.
TEST_F(LifecycleTest, AGraphDialogKeepsTheWatcherWindowUntilItCloses) {
    auto m = startedManager();
    ScriptedFullWindow* full = factory.full;
    full->visible = true;
    full->graphDialogUp = true;
    EXPECT_TRUE(m->MirGraphModalDialogBeingDisplayed());
    m->ShowCompactWindow();
    EXPECT_TRUE(full->visible);
    EXPECT_FALSE(journal.contains(u"full.Hide"_s));
    EXPECT_FALSE(journal.contains(u"compact.Show"_s));

    bool hiddenWhileUp = false;
    full->hooks[u"Hide"_s] = [&] { hiddenWhileUp = full->graphDialogUp; };
    QTimer::singleShot(30, [full] { full->graphDialogUp = false; });
    m->Dispose();
    EXPECT_FALSE(hiddenWhileUp);
    EXPECT_TRUE(journal.contains(u"full.Hide"_s));
    EXPECT_TRUE(journal.contains(u"full.Dispose"_s));
    EXPECT_EQ(m->fullWindow(), nullptr);
}

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include "HostObjects.h"
#include "ProgressWindows.h"
#include "SurvivalHost.h"
#include "TaggedCollection.h"

Q_DECLARE_METATYPE(engine::TaggedCollection)

namespace manager {

// The object the add-in drives for one optimization: it holds the run's
// settings (the properties below, set by the add-in between Initialize and
// InitializeForms), owns the compact and the full progress window, relays
// the person's pause/stop/resume clicks to the engine's population, talks to
// the add-in through the engine's temp-data channels and answers the
// windows' statistics queries.
//
// The D-Bus bridge reads and writes the properties through QMetaProperty by
// name, so each property's name and type are part of the automation
// interface. Operations that fail raise ol::OLError.
class WatcherManager : public QObject, public engine::SurvivalHost {
    Q_OBJECT
    Q_PROPERTY(qint32 ShowExcelRecalculations READ ShowExcelRecalculations WRITE setShowExcelRecalculations)
    Q_PROPERTY(bool Input_DisplayAlerts READ Input_DisplayAlerts WRITE setInput_DisplayAlerts)
    Q_PROPERTY(qint32 Input_PopHandle READ Input_PopHandle WRITE setInput_PopHandle)
    Q_PROPERTY(bool Input_OptimizationStartedFromGUI READ Input_OptimizationStartedFromGUI WRITE
                   setInput_OptimizationStartedFromGUI)
    Q_PROPERTY(QString Input_LogPath READ Input_LogPath WRITE setInput_LogPath)
    Q_PROPERTY(QString Input_MainHelpFilePath READ Input_MainHelpFilePath WRITE setInput_MainHelpFilePath)
    Q_PROPERTY(qint32 Input_PopulationSize READ Input_PopulationSize WRITE setInput_PopulationSize)
    Q_PROPERTY(qint32 Input_NumConstraints READ Input_NumConstraints WRITE setInput_NumConstraints)
    Q_PROPERTY(double Input_Runtime_TrialCount READ Input_Runtime_TrialCount WRITE setInput_Runtime_TrialCount)
    Q_PROPERTY(qint32 Input_Runtime_NumIterations READ Input_Runtime_NumIterations WRITE setInput_Runtime_NumIterations)
    Q_PROPERTY(double Input_Runtime_Milliseconds READ Input_Runtime_Milliseconds WRITE setInput_Runtime_Milliseconds)
    Q_PROPERTY(qint32 Input_ExcelAppHwnd READ Input_ExcelAppHwnd WRITE setInput_ExcelAppHwnd)
    Q_PROPERTY(qint32 Input_ExcelProcessID READ Input_ExcelProcessID WRITE setInput_ExcelProcessID)
    Q_PROPERTY(bool Input_DisallowInteractionWithExcelWindow READ Input_DisallowInteractionWithExcelWindow WRITE
                   setInput_DisallowInteractionWithExcelWindow)
    Q_PROPERTY(manager::ObjectRef Input_ExcelApplication READ Input_ExcelApplication WRITE setInput_ExcelApplication)
    Q_PROPERTY(manager::ObjectRef Input_Application READ Input_Application WRITE setInput_Application)
    Q_PROPERTY(manager::ObjectRef Input_KitsetCallbacksObject READ Input_KitsetCallbacksObject WRITE
                   setInput_KitsetCallbacksObject)
    Q_PROPERTY(engine::TaggedCollection Input_AllGeneNamesCol READ Input_AllGeneNamesCol WRITE setInput_AllGeneNamesCol)
    Q_PROPERTY(engine::TaggedCollection Input_GroupNames READ Input_GroupNames WRITE setInput_GroupNames)
    Q_PROPERTY(engine::TaggedCollection Input_GroupSolvingMethods READ Input_GroupSolvingMethods WRITE
                   setInput_GroupSolvingMethods)
    Q_PROPERTY(bool Input_TargetCellValuesTreatedAsDates READ Input_TargetCellValuesTreatedAsDates WRITE
                   setInput_TargetCellValuesTreatedAsDates)
    Q_PROPERTY(
        QString Input_TargetCellNumberFormat READ Input_TargetCellNumberFormat WRITE setInput_TargetCellNumberFormat)
    Q_PROPERTY(QString Input_TargetCellNumberFormat_ShortIfDate READ Input_TargetCellNumberFormat_ShortIfDate WRITE
                   setInput_TargetCellNumberFormat_ShortIfDate)
    Q_PROPERTY(bool Input_TargetCellNumberFormatIsLocal READ Input_TargetCellNumberFormatIsLocal WRITE
                   setInput_TargetCellNumberFormatIsLocal)
    Q_PROPERTY(QString Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish READ
                   Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish WRITE
                       setInput_TargetCellNumberFormat_ShortIfDate_ForcedEnglish)
    Q_PROPERTY(engine::TaggedCollection Input_AdjustableCellsFormatAsDateCol READ Input_AdjustableCellsFormatAsDateCol
                   WRITE setInput_AdjustableCellsFormatAsDateCol)
    Q_PROPERTY(engine::TaggedCollection Input_AtomicConstraintsFormatAsDateCol READ
                   Input_AtomicConstraintsFormatAsDateCol WRITE setInput_AtomicConstraintsFormatAsDateCol)
    Q_PROPERTY(bool Input_EFConstrainedCellValuesTreatedAsDate READ Input_EFConstrainedCellValuesTreatedAsDate WRITE
                   setInput_EFConstrainedCellValuesTreatedAsDate)
    Q_PROPERTY(QString Input_EFConstrainedCellNumberFormat READ Input_EFConstrainedCellNumberFormat WRITE
                   setInput_EFConstrainedCellNumberFormat)
    Q_PROPERTY(
        QString Input_EFConstrainedCellNumberFormat_ShortIfDate READ Input_EFConstrainedCellNumberFormat_ShortIfDate
            WRITE setInput_EFConstrainedCellNumberFormat_ShortIfDate)
    Q_PROPERTY(QString Input_EFConstrainedCellNumberFormatIsLocal READ Input_EFConstrainedCellNumberFormatIsLocal WRITE
                   setInput_EFConstrainedCellNumberFormatIsLocal)
    Q_PROPERTY(QString Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish READ
                   Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish WRITE
                       setInput_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish)
    Q_PROPERTY(bool Input_GAMutationIsAuto READ Input_GAMutationIsAuto WRITE setInput_GAMutationIsAuto)
    Q_PROPERTY(bool Input_ConstraintSolverMode READ Input_ConstraintSolverMode WRITE setInput_ConstraintSolverMode)
    Q_PROPERTY(engine::TaggedCollection Input_ConstraintSolver_HardConstraintDescriptions READ
                   Input_ConstraintSolver_HardConstraintDescriptions WRITE
                       setInput_ConstraintSolver_HardConstraintDescriptions)
    Q_PROPERTY(engine::TaggedCollection Input_ConstraintSolver_HardConstraintFormulas READ
                   Input_ConstraintSolver_HardConstraintFormulas WRITE setInput_ConstraintSolver_HardConstraintFormulas)
    Q_PROPERTY(bool Input_ConstraintSolver_FixedSeed READ Input_ConstraintSolver_FixedSeed WRITE
                   setInput_ConstraintSolver_FixedSeed)
    Q_PROPERTY(qint32 Input_OptimizationEngine READ Input_OptimizationEngine WRITE setInput_OptimizationEngine)
    Q_PROPERTY(bool Input_MCoreOptimization READ Input_MCoreOptimization WRITE setInput_MCoreOptimization)
    Q_PROPERTY(
        qint32 Input_MCoreNumWorkerProcesses READ Input_MCoreNumWorkerProcesses WRITE setInput_MCoreNumWorkerProcesses)
    Q_PROPERTY(bool Stop_AtEndShowOptionsToUser READ Stop_AtEndShowOptionsToUser WRITE setStop_AtEndShowOptionsToUser)
    Q_PROPERTY(bool Stop_AtEndGenerateOptimizationSummary READ Stop_AtEndGenerateOptimizationSummary WRITE
                   setStop_AtEndGenerateOptimizationSummary)
    Q_PROPERTY(
        bool Stop_AtEndWriteLogOfAllTrials READ Stop_AtEndWriteLogOfAllTrials WRITE setStop_AtEndWriteLogOfAllTrials)
    Q_PROPERTY(bool Stop_AtEndWriteLogOfProgressSteps READ Stop_AtEndWriteLogOfProgressSteps WRITE
                   setStop_AtEndWriteLogOfProgressSteps)
    Q_PROPERTY(qint32 Stop_SolutionToKeep READ Stop_SolutionToKeep WRITE setStop_SolutionToKeep)
    Q_PROPERTY(
        bool Stop_ConstraintSolver_FixSeed READ Stop_ConstraintSolver_FixSeed WRITE setStop_ConstraintSolver_FixSeed)
    Q_PROPERTY(
        bool Input_SuppressProgressWindow READ Input_SuppressProgressWindow WRITE setInput_SuppressProgressWindow)
    Q_PROPERTY(bool WatcherShown READ WatcherShown WRITE setWatcherShown)
    Q_PROPERTY(
        bool GotInitializedAfterFirstTrial READ GotInitializedAfterFirstTrial WRITE setGotInitializedAfterFirstTrial)
    Q_PROPERTY(bool WaitingAfterPauseClicked READ WaitingAfterPauseClicked WRITE setWaitingAfterPauseClicked)
    Q_PROPERTY(bool WaitingAfterStopClicked READ WaitingAfterStopClicked WRITE setWaitingAfterStopClicked)
    Q_PROPERTY(bool WaitingAfterEFNextOptimizationClicked READ WaitingAfterEFNextOptimizationClicked WRITE
                   setWaitingAfterEFNextOptimizationClicked)
    Q_PROPERTY(qint32 IDForQxLogReadRecordVB READ IDForQxLogReadRecordVB WRITE setIDForQxLogReadRecordVB)
    Q_PROPERTY(QString Input_ProgressGraphPath READ Input_ProgressGraphPath WRITE setInput_ProgressGraphPath)
    Q_PROPERTY(qint32 Input_ExcelMajorVersion READ Input_ExcelMajorVersion WRITE setInput_ExcelMajorVersion)
    Q_PROPERTY(bool Input_EFPerformAnalysis READ Input_EFPerformAnalysis WRITE setInput_EFPerformAnalysis)
    Q_PROPERTY(
        qint32 Input_EFNumConstrainingValues READ Input_EFNumConstrainingValues WRITE setInput_EFNumConstrainingValues)
    Q_PROPERTY(QString Input_EFConstraintDisplayFormula_LHSide READ Input_EFConstraintDisplayFormula_LHSide WRITE
                   setInput_EFConstraintDisplayFormula_LHSide)
    Q_PROPERTY(qint32 Input_EFConstraintOperator READ Input_EFConstraintOperator WRITE setInput_EFConstraintOperator)
    Q_PROPERTY(QString Input_EFConstraintOperatorAsString READ Input_EFConstraintOperatorAsString WRITE
                   setInput_EFConstraintOperatorAsString)
    Q_PROPERTY(engine::TaggedCollection Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final READ
                   Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final WRITE
                       setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final)
    Q_PROPERTY(engine::TaggedCollection Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial READ
                   Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial WRITE
                       setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Initial)
    Q_PROPERTY(engine::TaggedCollection Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted READ
                   Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted WRITE
                       setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted)
    Q_PROPERTY(qint32 Input_RuntimeGoalType READ Input_RuntimeGoalType WRITE setInput_RuntimeGoalType)
    Q_PROPERTY(double Input_RuntimeTargetValue READ Input_RuntimeTargetValue WRITE setInput_RuntimeTargetValue)
    Q_PROPERTY(QString Input_OptimizationObjectiveStr READ Input_OptimizationObjectiveStr WRITE
                   setInput_OptimizationObjectiveStr)
    Q_PROPERTY(QString Input_EFConstraintFormula READ Input_EFConstraintFormula WRITE setInput_EFConstraintFormula)
    Q_PROPERTY(qint32 Input_VntLibHVars READ Input_VntLibHVars WRITE setInput_VntLibHVars)
    Q_PROPERTY(manager::ObjectRef Input_NETApplication READ Input_NETApplication WRITE setInput_NETApplication)
    Q_PROPERTY(qint32 ReportPlacement READ ReportPlacement WRITE setReportPlacement)
    Q_PROPERTY(bool MirGraphModalDialogBeingDisplayed READ MirGraphModalDialogBeingDisplayed)

public:
    // Run status values of the engine's population.
    static constexpr int16_t kRunStatusOptimizing = 2;
    static constexpr int16_t kRunStatusMarkToStop = 3;
    static constexpr int16_t kRunStatusMarkToPause = 4;
    static constexpr int16_t kRunStatusPaused = 5;
    static constexpr int16_t kRunStatusStopped = 6;
    static constexpr int16_t kRunStatusMarkToMoveToNextOptimization = 7;

    // The temp-data channels shared with the add-in.
    enum XLWatcherChannels : int16_t {
        ChannelStopGenerateOptimizationSummary = 2,
        ChannelStopWriteLogOfAllTrials = 3,
        ChannelStopWriteLogOfProgressSteps = 4,
        ChannelStopSolutionToKeep = 5,
        ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown = 6,
        ChannelFirstTrialNumLastTrialsToShow = 7,
        ChannelFirstTrialInfoAvailable = 8,
        ChannelWatcherInitializedAfterFirstTrial = 9,
        ChannelWatcherRequestsXLUpdate = 10,
        ChannelNumIterations = 11,
        ChannelNumIterationsInCompletedSimulation = 12,
        ChannelNumTrialUnderWay = 13,
        ChannelShowExcelRecalculations = 14,
        ChannelWatcherSentCommandToShowItModally = 15,
        ChannelXLRequestToAskUserAboutSolver = 16,
        ChannelOLToldWatcherToStopTimer = 17,
        ChannelWatcherStoppedTimer = 18,
        ChannelXLRequestToAskUserAboutInconsistentConstraints = 20,
        ChannelEFNumOptimizationUnderWay = 21,
    };

    // The title of every message and question of the Watcher.
    static inline const QString kMessageTitle = QStringLiteral("Selvane");
    // The colour of the frontier graph's first plotted item in a host's chart
    // (the graph control's colour value, 0xRRGGBB).
    static constexpr uint32_t kFrontierChartFirstItemColor = 0xFF0000;
    // The mutex that tells other processes a Watcher lives.
    static inline const QString kWatcherMutexName = QStringLiteral("MirrowSurvivalMutex_GraphingEngineVersion8");

    explicit WatcherManager(QObject* parent = nullptr);
    ~WatcherManager() override;

    // ---- Properties (getter named like the property, setter set<Name>) ----
    qint32 ShowExcelRecalculations() const { return m_ShowExcelRecalculations; }
    void setShowExcelRecalculations(qint32 value) { m_ShowExcelRecalculations = value; }
    bool Input_DisplayAlerts() const { return m_Input_DisplayAlerts; }
    void setInput_DisplayAlerts(bool value) { m_Input_DisplayAlerts = value; }
    qint32 Input_PopHandle() const { return m_Input_PopHandle; }
    void setInput_PopHandle(qint32 value) { m_Input_PopHandle = value; }
    bool Input_OptimizationStartedFromGUI() const { return m_Input_OptimizationStartedFromGUI; }
    void setInput_OptimizationStartedFromGUI(bool value) { m_Input_OptimizationStartedFromGUI = value; }
    const QString& Input_LogPath() const { return m_Input_LogPath; }
    void setInput_LogPath(const QString& value) { m_Input_LogPath = value; }
    const QString& Input_MainHelpFilePath() const { return m_Input_MainHelpFilePath; }
    void setInput_MainHelpFilePath(const QString& value) { m_Input_MainHelpFilePath = value; }
    qint32 Input_PopulationSize() const { return m_Input_PopulationSize; }
    void setInput_PopulationSize(qint32 value) { m_Input_PopulationSize = value; }
    qint32 Input_NumConstraints() const { return m_Input_NumConstraints; }
    void setInput_NumConstraints(qint32 value) { m_Input_NumConstraints = value; }
    double Input_Runtime_TrialCount() const { return m_Input_Runtime_TrialCount; }
    void setInput_Runtime_TrialCount(double value) { m_Input_Runtime_TrialCount = value; }
    qint32 Input_Runtime_NumIterations() const { return m_Input_Runtime_NumIterations; }
    void setInput_Runtime_NumIterations(qint32 value) { m_Input_Runtime_NumIterations = value; }
    double Input_Runtime_Milliseconds() const { return m_Input_Runtime_Milliseconds; }
    void setInput_Runtime_Milliseconds(double value) { m_Input_Runtime_Milliseconds = value; }
    qint32 Input_ExcelAppHwnd() const { return m_Input_ExcelAppHwnd; }
    void setInput_ExcelAppHwnd(qint32 value) { m_Input_ExcelAppHwnd = value; }
    qint32 Input_ExcelProcessID() const { return m_Input_ExcelProcessID; }
    void setInput_ExcelProcessID(qint32 value) { m_Input_ExcelProcessID = value; }
    bool Input_DisallowInteractionWithExcelWindow() const { return m_Input_DisallowInteractionWithExcelWindow; }
    void setInput_DisallowInteractionWithExcelWindow(bool value) { m_Input_DisallowInteractionWithExcelWindow = value; }
    const manager::ObjectRef& Input_ExcelApplication() const { return m_Input_ExcelApplication; }
    void setInput_ExcelApplication(const manager::ObjectRef& value) { m_Input_ExcelApplication = value; }
    const manager::ObjectRef& Input_Application() const { return m_Input_Application; }
    void setInput_Application(const manager::ObjectRef& value) { m_Input_Application = value; }
    const manager::ObjectRef& Input_KitsetCallbacksObject() const { return m_Input_KitsetCallbacksObject; }
    void setInput_KitsetCallbacksObject(const manager::ObjectRef& value) { m_Input_KitsetCallbacksObject = value; }
    const engine::TaggedCollection& Input_AllGeneNamesCol() const { return m_Input_AllGeneNamesCol; }
    void setInput_AllGeneNamesCol(const engine::TaggedCollection& value) { m_Input_AllGeneNamesCol = value; }
    const engine::TaggedCollection& Input_GroupNames() const { return m_Input_GroupNames; }
    void setInput_GroupNames(const engine::TaggedCollection& value) { m_Input_GroupNames = value; }
    const engine::TaggedCollection& Input_GroupSolvingMethods() const { return m_Input_GroupSolvingMethods; }
    void setInput_GroupSolvingMethods(const engine::TaggedCollection& value) { m_Input_GroupSolvingMethods = value; }
    bool Input_TargetCellValuesTreatedAsDates() const { return m_Input_TargetCellValuesTreatedAsDates; }
    void setInput_TargetCellValuesTreatedAsDates(bool value) { m_Input_TargetCellValuesTreatedAsDates = value; }
    const QString& Input_TargetCellNumberFormat() const { return m_Input_TargetCellNumberFormat; }
    void setInput_TargetCellNumberFormat(const QString& value) { m_Input_TargetCellNumberFormat = value; }
    const QString& Input_TargetCellNumberFormat_ShortIfDate() const {
        return m_Input_TargetCellNumberFormat_ShortIfDate;
    }
    void setInput_TargetCellNumberFormat_ShortIfDate(const QString& value) {
        m_Input_TargetCellNumberFormat_ShortIfDate = value;
    }
    bool Input_TargetCellNumberFormatIsLocal() const { return m_Input_TargetCellNumberFormatIsLocal; }
    void setInput_TargetCellNumberFormatIsLocal(bool value) { m_Input_TargetCellNumberFormatIsLocal = value; }
    const QString& Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish() const {
        return m_Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish;
    }
    void setInput_TargetCellNumberFormat_ShortIfDate_ForcedEnglish(const QString& value) {
        m_Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish = value;
    }
    const engine::TaggedCollection& Input_AdjustableCellsFormatAsDateCol() const {
        return m_Input_AdjustableCellsFormatAsDateCol;
    }
    void setInput_AdjustableCellsFormatAsDateCol(const engine::TaggedCollection& value) {
        m_Input_AdjustableCellsFormatAsDateCol = value;
    }
    const engine::TaggedCollection& Input_AtomicConstraintsFormatAsDateCol() const {
        return m_Input_AtomicConstraintsFormatAsDateCol;
    }
    void setInput_AtomicConstraintsFormatAsDateCol(const engine::TaggedCollection& value) {
        m_Input_AtomicConstraintsFormatAsDateCol = value;
    }
    bool Input_EFConstrainedCellValuesTreatedAsDate() const { return m_Input_EFConstrainedCellValuesTreatedAsDate; }
    void setInput_EFConstrainedCellValuesTreatedAsDate(bool value) {
        m_Input_EFConstrainedCellValuesTreatedAsDate = value;
    }
    const QString& Input_EFConstrainedCellNumberFormat() const { return m_Input_EFConstrainedCellNumberFormat; }
    void setInput_EFConstrainedCellNumberFormat(const QString& value) { m_Input_EFConstrainedCellNumberFormat = value; }
    const QString& Input_EFConstrainedCellNumberFormat_ShortIfDate() const {
        return m_Input_EFConstrainedCellNumberFormat_ShortIfDate;
    }
    void setInput_EFConstrainedCellNumberFormat_ShortIfDate(const QString& value) {
        m_Input_EFConstrainedCellNumberFormat_ShortIfDate = value;
    }
    const QString& Input_EFConstrainedCellNumberFormatIsLocal() const {
        return m_Input_EFConstrainedCellNumberFormatIsLocal;
    }
    void setInput_EFConstrainedCellNumberFormatIsLocal(const QString& value) {
        m_Input_EFConstrainedCellNumberFormatIsLocal = value;
    }
    const QString& Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish() const {
        return m_Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish;
    }
    void setInput_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish(const QString& value) {
        m_Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish = value;
    }
    bool Input_GAMutationIsAuto() const { return m_Input_GAMutationIsAuto; }
    void setInput_GAMutationIsAuto(bool value) { m_Input_GAMutationIsAuto = value; }
    bool Input_ConstraintSolverMode() const { return m_Input_ConstraintSolverMode; }
    void setInput_ConstraintSolverMode(bool value) { m_Input_ConstraintSolverMode = value; }
    const engine::TaggedCollection& Input_ConstraintSolver_HardConstraintDescriptions() const {
        return m_Input_ConstraintSolver_HardConstraintDescriptions;
    }
    void setInput_ConstraintSolver_HardConstraintDescriptions(const engine::TaggedCollection& value) {
        m_Input_ConstraintSolver_HardConstraintDescriptions = value;
    }
    const engine::TaggedCollection& Input_ConstraintSolver_HardConstraintFormulas() const {
        return m_Input_ConstraintSolver_HardConstraintFormulas;
    }
    void setInput_ConstraintSolver_HardConstraintFormulas(const engine::TaggedCollection& value) {
        m_Input_ConstraintSolver_HardConstraintFormulas = value;
    }
    bool Input_ConstraintSolver_FixedSeed() const { return m_Input_ConstraintSolver_FixedSeed; }
    void setInput_ConstraintSolver_FixedSeed(bool value) { m_Input_ConstraintSolver_FixedSeed = value; }
    qint32 Input_OptimizationEngine() const { return m_Input_OptimizationEngine; }
    void setInput_OptimizationEngine(qint32 value) { m_Input_OptimizationEngine = value; }
    bool Input_MCoreOptimization() const { return m_Input_MCoreOptimization; }
    void setInput_MCoreOptimization(bool value) { m_Input_MCoreOptimization = value; }
    qint32 Input_MCoreNumWorkerProcesses() const { return m_Input_MCoreNumWorkerProcesses; }
    void setInput_MCoreNumWorkerProcesses(qint32 value) { m_Input_MCoreNumWorkerProcesses = value; }
    bool Stop_AtEndShowOptionsToUser() const { return m_Stop_AtEndShowOptionsToUser; }
    void setStop_AtEndShowOptionsToUser(bool value) { m_Stop_AtEndShowOptionsToUser = value; }
    bool Stop_AtEndGenerateOptimizationSummary() const { return m_Stop_AtEndGenerateOptimizationSummary; }
    void setStop_AtEndGenerateOptimizationSummary(bool value) { m_Stop_AtEndGenerateOptimizationSummary = value; }
    bool Stop_AtEndWriteLogOfAllTrials() const { return m_Stop_AtEndWriteLogOfAllTrials; }
    void setStop_AtEndWriteLogOfAllTrials(bool value) { m_Stop_AtEndWriteLogOfAllTrials = value; }
    bool Stop_AtEndWriteLogOfProgressSteps() const { return m_Stop_AtEndWriteLogOfProgressSteps; }
    void setStop_AtEndWriteLogOfProgressSteps(bool value) { m_Stop_AtEndWriteLogOfProgressSteps = value; }
    qint32 Stop_SolutionToKeep() const { return m_Stop_SolutionToKeep; }
    void setStop_SolutionToKeep(qint32 value) { m_Stop_SolutionToKeep = value; }
    bool Stop_ConstraintSolver_FixSeed() const { return m_Stop_ConstraintSolver_FixSeed; }
    void setStop_ConstraintSolver_FixSeed(bool value) { m_Stop_ConstraintSolver_FixSeed = value; }
    bool Input_SuppressProgressWindow() const { return m_Input_SuppressProgressWindow; }
    void setInput_SuppressProgressWindow(bool value) { m_Input_SuppressProgressWindow = value; }
    bool WatcherShown() const { return m_WatcherShown; }
    void setWatcherShown(bool value) { m_WatcherShown = value; }
    bool GotInitializedAfterFirstTrial() const { return m_GotInitializedAfterFirstTrial; }
    void setGotInitializedAfterFirstTrial(bool value) { m_GotInitializedAfterFirstTrial = value; }
    bool WaitingAfterPauseClicked() const { return m_WaitingAfterPauseClicked; }
    void setWaitingAfterPauseClicked(bool value) { m_WaitingAfterPauseClicked = value; }
    bool WaitingAfterStopClicked() const { return m_WaitingAfterStopClicked; }
    void setWaitingAfterStopClicked(bool value) { m_WaitingAfterStopClicked = value; }
    bool WaitingAfterEFNextOptimizationClicked() const { return m_WaitingAfterEFNextOptimizationClicked; }
    void setWaitingAfterEFNextOptimizationClicked(bool value) { m_WaitingAfterEFNextOptimizationClicked = value; }
    qint32 IDForQxLogReadRecordVB() const { return m_IDForQxLogReadRecordVB; }
    void setIDForQxLogReadRecordVB(qint32 value) { m_IDForQxLogReadRecordVB = value; }
    const QString& Input_ProgressGraphPath() const { return m_Input_ProgressGraphPath; }
    void setInput_ProgressGraphPath(const QString& value) { m_Input_ProgressGraphPath = value; }
    qint32 Input_ExcelMajorVersion() const { return m_Input_ExcelMajorVersion; }
    void setInput_ExcelMajorVersion(qint32 value) { m_Input_ExcelMajorVersion = value; }
    bool Input_EFPerformAnalysis() const { return m_Input_EFPerformAnalysis; }
    void setInput_EFPerformAnalysis(bool value) { m_Input_EFPerformAnalysis = value; }
    qint32 Input_EFNumConstrainingValues() const { return m_Input_EFNumConstrainingValues; }
    void setInput_EFNumConstrainingValues(qint32 value) { m_Input_EFNumConstrainingValues = value; }
    const QString& Input_EFConstraintDisplayFormula_LHSide() const { return m_Input_EFConstraintDisplayFormula_LHSide; }
    void setInput_EFConstraintDisplayFormula_LHSide(const QString& value) {
        m_Input_EFConstraintDisplayFormula_LHSide = value;
    }
    qint32 Input_EFConstraintOperator() const { return m_Input_EFConstraintOperator; }
    void setInput_EFConstraintOperator(qint32 value) { m_Input_EFConstraintOperator = value; }
    const QString& Input_EFConstraintOperatorAsString() const { return m_Input_EFConstraintOperatorAsString; }
    void setInput_EFConstraintOperatorAsString(const QString& value) { m_Input_EFConstraintOperatorAsString = value; }
    const engine::TaggedCollection& Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final() const {
        return m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final;
    }
    void setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(const engine::TaggedCollection& value) {
        m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final = value;
    }
    const engine::TaggedCollection& Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial() const {
        return m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial;
    }
    void setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Initial(const engine::TaggedCollection& value) {
        m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial = value;
    }
    const engine::TaggedCollection& Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted() const {
        return m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted;
    }
    void
    setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted(const engine::TaggedCollection& value) {
        m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted = value;
    }
    qint32 Input_RuntimeGoalType() const { return m_Input_RuntimeGoalType; }
    void setInput_RuntimeGoalType(qint32 value) { m_Input_RuntimeGoalType = value; }
    double Input_RuntimeTargetValue() const { return m_Input_RuntimeTargetValue; }
    void setInput_RuntimeTargetValue(double value) { m_Input_RuntimeTargetValue = value; }
    const QString& Input_OptimizationObjectiveStr() const { return m_Input_OptimizationObjectiveStr; }
    void setInput_OptimizationObjectiveStr(const QString& value) { m_Input_OptimizationObjectiveStr = value; }
    const QString& Input_EFConstraintFormula() const { return m_Input_EFConstraintFormula; }
    void setInput_EFConstraintFormula(const QString& value) { m_Input_EFConstraintFormula = value; }
    qint32 Input_VntLibHVars() const { return m_Input_VntLibHVars; }
    void setInput_VntLibHVars(qint32 value) { m_Input_VntLibHVars = value; }
    const manager::ObjectRef& Input_NETApplication() const { return m_Input_NETApplication; }
    void setInput_NETApplication(const manager::ObjectRef& value) { m_Input_NETApplication = value; }
    qint32 ReportPlacement() const { return m_ReportPlacement; }
    void setReportPlacement(qint32 value) { m_ReportPlacement = value; }

    // ---- Public operations, in interface order ----

    // Start-up on first use, the resource server, the one-run-at-a-time
    // check, the survival mutex, empty collections; makes this the current
    // manager. Raises 0x8004000A when another run is under way.
    Q_INVOKABLE void Initialize();
    // Creates and initializes the two windows of the run's kind (compact
    // first). Raises 0x8004000A when the windows cannot be made.
    Q_INVOKABLE void InitializeForms();
    // Stops the full window's update timer.
    Q_INVOKABLE void StopTimer();
    // Shows the full window modally over the host, then disposes of the
    // manager.
    Q_INVOKABLE void ShowWatcherModally();
    // Graph file, windows hidden/unloaded/disposed, objects released, flags
    // cleared. Every step runs even when an earlier one failed. While a
    // graph's dialog is up it first waits, the event loop running, until the
    // dialog closes or kGraphDialogWaitLimitMs have passed.
    Q_INVOKABLE void Dispose();
    static constexpr int kGraphDialogWaitLimitMs = 60000;
    static constexpr int kGraphDialogPollMs = 50;
    // A dialog of one of the full window's graphs is on screen; no window is
    // closed or hidden meanwhile.
    bool MirGraphModalDialogBeingDisplayed() const;
    Q_INVOKABLE bool DisplayYesNoQueryWithHelp(const QString& messageText, const QString& helpFilePath,
                                               qint32 helpContextID, bool suppressible = false,
                                               bool displayAlertsOffResult = false);
    // Writes true to channel 18; always returns false.
    Q_INVOKABLE bool TellOLWatcherStoppedTimer();
    // Reads channel 17.
    Q_INVOKABLE bool OLToldWatcherToStopTimer();
    // Refreshes both windows under the population lock. The lock is waited
    // for at most kUpdateLockWaitMs: while another process holds it longer
    // (an add-in that is stopped or hung while it holds it) the windows are
    // left as they are and the full window's status line says why, so that
    // the window thread and the bus never wait for that process.
    Q_INVOKABLE void BothDialogs_Update(bool forceUpdateOfEverything, bool updateLastResult);
    static constexpr int32_t kUpdateLockWaitMs = 20;
    // The last BothDialogs_Update found the population locked elsewhere.
    bool populationBusy() const noexcept { return m_populationBusy; }
    // The second half of a window's refresh, which needs nothing from the
    // population any more (formatting a grid's text, loading it, drawing):
    // while BothDialogs_Update holds the population lock, `work` waits until
    // it has let go of it and then runs, in the order queued; at any other
    // time it runs at once. So the add-in waits for the lock only as long as
    // the windows read from the population.
    void afterPopulationUnlock(std::function<void()> work);
    // BothDialogs_Update holds the population lock for the windows' reads.
    bool populationLockedForUpdate() const noexcept { return m_updateLockDepth > 0; }
    Q_INVOKABLE void BothDialogs_GoToPausingConfig();
    // Top edge (twips) of the full window when WatcherShown, else of the
    // compact window.
    Q_INVOKABLE qint32 GetTopPropertyOfVisibleForm();
    Q_INVOKABLE qint32 WatcherProcessID();
    // The efficient-frontier graph that the frontier window publishes,
    // rebuilt as a chart in the host whose application object is
    // excelApplication: its first plotted item is coloured
    // kFrontierChartFirstItemColor first, so the chart shows the same. Any
    // failure (no frontier graph, no host, a host that cannot make the
    // chart) shows the error's text in a message box and returns a null
    // reference.
    Q_INVOKABLE manager::ObjectRef EFGraphChartInExcel(const manager::ObjectRef& excelApplication,
                                                       const QString& graphPlacementRange,
                                                       const QString& graphDataRange);

    // ---- Run control (the windows' buttons and update timer) ----
    void CommandPauseOptimization_ProcessClick();
    void CommandStopOptimization_ProcessClick();
    void CommandResumeOptimization_ProcessClick();
    void ProcessPausedMessageFromExcel();

    // ---- Channel protocol ----
    void ReadStoppingOptionsFromWatcher();
    bool GetFirstTrialInfoSentByXL(qint32& graphAllTrialsInitialNumTrialsShown, qint32& numLastTrialsToShow);
    void InitializeAfterFirstTrialIfReady();
    void TellXLInitializedAfterFirstTrial();
    void SendCommandToShowWatcherModally();
    void SendShowExcelRecalculationsToXL(qint32 value);
    void RequestXLUpdate();
    void CheckWindowsMoved();
    void CheckForXLRequestToAskUserAboutSolverAndProcess();
    void SendAnswerToXLAboutConstraintSolver(qint32 answer);
    void CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    void SendAnswerToXLAboutInconsistentConstraints(qint32 answer);
    double NumIterations();
    double NumIterationsInCompletedSimulation();
    double NumTrialUnderWay();
    double EFNumOptimizationUnderWay();

    // ---- Progress statistics (from the log at Input_LogPath) ----
    double TrialCount();
    double ValidTrialCount();
    double ProgressStepCount();
    double ObjectiveValueBest();
    double ObjectiveValueOriginal();
    double ObjectiveValueForBestOriginalLast(qint32 which);
    // True when a record was read into values.
    bool AdjustableCellValuesForBestOriginalLast(qint32 which, QList<double>& values);
    double BestTrialNumber();
    // The last progress step of optimization constrainingValueIndex; true
    // when it exists and was read.
    bool EFFrontierSolution(qint32 constrainingValueIndex, double& valueWithPenalties, qint32& trialNumber,
                            qint32& progressStepNumber);
    // The engine's run timer in milliseconds.
    qint32 ElapsedTicks();
    // The evaluated value of an organism; the no-value double when it has
    // none.
    double getSelvaneResult(qint32 organism);
    QString ProgressStatusText();
    QString FormatObjectiveValue(double value);
    QString FormatConstrainingValue(double value);

    // ---- Window switches and questions ----
    void ShowFullWatcher();
    void ShowCompactWindow();
    void DisplayMessage(const QString& messageText, bool suppressible);
    bool DisplayYesNoQuery(const QString& messageText, bool suppressible, bool displayAlertsOffResult);
    void ShowHelp(qint32 helpContextId);
    void ShowHelpForControl(qint32 helpContextId);

    // The end-of-run progress graph at Input_ProgressGraphPath.
    void GenerateProgressGraphFile();

    // ---- The windows and the host's objects ----
    // Null before InitializeForms and after Dispose.
    CompactWindow* compactWindow() const { return m_compactWindow.get(); }
    FullWindow* fullWindow() const { return m_fullWindow.get(); }
    // The host's objects through the installed HostConnector; null when the
    // reference is Nothing or no connector is installed.
    std::shared_ptr<HostExcel> excel();
    std::shared_ptr<HostApplication> application();

    // ---- Process-wide run-control state ----
    // Set while the stop question of a multi-core run is on screen (the
    // population stays locked meanwhile, so BothDialogs_Update skips).
    static bool stopClickInProgress() noexcept;
    static void setStopClickInProgress(bool on) noexcept;
    // Lock and unlock calls made by BothDialogs_Update since the process
    // started.
    static qint32 bothDialogsLockCount() noexcept;
    static qint32 bothDialogsUnlockCount() noexcept;

    // ---- engine::SurvivalHost ----
    bool hasExcelApplication() override;
    void runExcelMacro(const QString& macro) override;
    int32_t excelMajorVersion() override;
    int64_t excelAppWindow() override;
    ol::WindowRef findTopLevelWindow(const QString& title) override;

    // How findTopLevelWindow finds a window of this process by its title.
    // The windows' module installs one; without it no window is found (the
    // manager itself has no windows of its own).
    using TopLevelWindowFinder = std::function<ol::WindowRef(const QString& title)>;
    static void setTopLevelWindowFinder(TopLevelWindowFinder finder);

private:
    void WaitWhileGraphDialogIsUp();
    // The windows of the run; raise kErrGeneral when they do not exist (a
    // guarded step then fails and is logged instead of crashing).
    CompactWindow& compact() const;
    FullWindow& full() const;
    int16_t runStatus();
    int32_t setRunStatus(int16_t status);
    void lockPopulation();
    // Locks with a wait of at most `waitMs`; false when the lock stayed busy.
    // Raises for any other failure.
    bool tryLockPopulation(int32_t waitMs);
    void unlockPopulation();
    bool askStopQuestion();
    QString nextOptimizationQuestion();
    void disableBothWindowsControls();
    void markToStop();
    void emptyCollections();
    void releaseWindows();

    qint32 m_ShowExcelRecalculations = 0;
    bool m_Input_DisplayAlerts = false;
    qint32 m_Input_PopHandle = 0;
    bool m_Input_OptimizationStartedFromGUI = false;
    QString m_Input_LogPath;
    QString m_Input_MainHelpFilePath;
    qint32 m_Input_PopulationSize = 0;
    qint32 m_Input_NumConstraints = 0;
    double m_Input_Runtime_TrialCount = 0.0;
    qint32 m_Input_Runtime_NumIterations = 0;
    double m_Input_Runtime_Milliseconds = 0.0;
    qint32 m_Input_ExcelAppHwnd = 0;
    qint32 m_Input_ExcelProcessID = 0;
    bool m_Input_DisallowInteractionWithExcelWindow = false;
    manager::ObjectRef m_Input_ExcelApplication;
    manager::ObjectRef m_Input_Application;
    manager::ObjectRef m_Input_KitsetCallbacksObject;
    engine::TaggedCollection m_Input_AllGeneNamesCol;
    engine::TaggedCollection m_Input_GroupNames;
    engine::TaggedCollection m_Input_GroupSolvingMethods;
    bool m_Input_TargetCellValuesTreatedAsDates = false;
    QString m_Input_TargetCellNumberFormat;
    QString m_Input_TargetCellNumberFormat_ShortIfDate;
    bool m_Input_TargetCellNumberFormatIsLocal = false;
    QString m_Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish;
    engine::TaggedCollection m_Input_AdjustableCellsFormatAsDateCol;
    engine::TaggedCollection m_Input_AtomicConstraintsFormatAsDateCol;
    bool m_Input_EFConstrainedCellValuesTreatedAsDate = false;
    QString m_Input_EFConstrainedCellNumberFormat;
    QString m_Input_EFConstrainedCellNumberFormat_ShortIfDate;
    QString m_Input_EFConstrainedCellNumberFormatIsLocal;
    QString m_Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish;
    bool m_Input_GAMutationIsAuto = false;
    bool m_Input_ConstraintSolverMode = false;
    engine::TaggedCollection m_Input_ConstraintSolver_HardConstraintDescriptions;
    engine::TaggedCollection m_Input_ConstraintSolver_HardConstraintFormulas;
    bool m_Input_ConstraintSolver_FixedSeed = false;
    qint32 m_Input_OptimizationEngine = 0;
    bool m_Input_MCoreOptimization = false;
    qint32 m_Input_MCoreNumWorkerProcesses = 0;
    bool m_Stop_AtEndShowOptionsToUser = false;
    bool m_Stop_AtEndGenerateOptimizationSummary = false;
    bool m_Stop_AtEndWriteLogOfAllTrials = false;
    bool m_Stop_AtEndWriteLogOfProgressSteps = false;
    qint32 m_Stop_SolutionToKeep = 0;
    bool m_Stop_ConstraintSolver_FixSeed = false;
    bool m_Input_SuppressProgressWindow = false;
    bool m_WatcherShown = false;
    bool m_GotInitializedAfterFirstTrial = false;
    bool m_WaitingAfterPauseClicked = false;
    bool m_WaitingAfterStopClicked = false;
    bool m_WaitingAfterEFNextOptimizationClicked = false;
    qint32 m_IDForQxLogReadRecordVB = 0;
    QString m_Input_ProgressGraphPath;
    qint32 m_Input_ExcelMajorVersion = 0;
    bool m_Input_EFPerformAnalysis = false;
    qint32 m_Input_EFNumConstrainingValues = 0;
    QString m_Input_EFConstraintDisplayFormula_LHSide;
    qint32 m_Input_EFConstraintOperator = 0;
    QString m_Input_EFConstraintOperatorAsString;
    engine::TaggedCollection m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final;
    engine::TaggedCollection m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial;
    engine::TaggedCollection m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted;
    qint32 m_Input_RuntimeGoalType = 0;
    double m_Input_RuntimeTargetValue = 0.0;
    QString m_Input_OptimizationObjectiveStr;
    QString m_Input_EFConstraintFormula;
    qint32 m_Input_VntLibHVars = 0;
    manager::ObjectRef m_Input_NETApplication;
    qint32 m_ReportPlacement = 0;

    std::unique_ptr<CompactWindow> m_compactWindow;
    std::unique_ptr<FullWindow> m_fullWindow;
    bool m_populationBusy = false;
    // Nesting of BothDialogs_Update's locked part, and the work waiting for
    // its end (afterPopulationUnlock).
    int m_updateLockDepth = 0;
    std::vector<std::function<void()>> m_afterUnlock;
    // Once the solver question was answered it is never asked again.
    bool m_askedAboutSolver = false;
    // Channel 9 is written once per manager.
    bool m_toldXLInitializedAfterFirstTrial = false;
    // This manager's Initialize set the process's optimization-under-way
    // flag and its Dispose has not run yet: only then does Dispose clear the
    // process-wide state (a refused manager must not end another's run).
    bool m_ownsRun = false;
    // ShowWatcherModally's window is on screen (its nested event loop runs).
    // A Dispose that arrives meanwhile only hides the window: the display's
    // own Dispose follows when the window's loop has returned.
    int m_modalDisplays = 0;
};

} // namespace manager

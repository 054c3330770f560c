#include "WatcherManager.h"

#include <limits>
#include <utility>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include "Application.h"
#include "LogReaders.h"
#include "ManagerSupport.h"
#include "ProcessState.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"
#include "TempData.h"
#include "ol/NamedMutex.h"
#include "ol/OLError.h"
#include "ol/ResourceServer.h"

namespace manager {

using engine::DiagnosticLog;
using engine::ProcessState;
using support::writeLog;

namespace {

// Process-wide run-control state (see the accessors).
bool g_stopClickInProgress = false;
qint32 g_bothDialogsLockCount = 0;
qint32 g_bothDialogsUnlockCount = 0;

// Status line of the full window while another process holds the population
// lock past the update's short wait.
constexpr int kPopulationBusyText = 2466;

// The mutex that tells other processes that a Watcher lives; taken by the
// first Initialize and kept for the life of the process.
ol::NamedMutex& watcherMutex() {
    static ol::NamedMutex mutex;
    return mutex;
}

WatcherManager::TopLevelWindowFinder& topLevelWindowFinder() {
    static WatcherManager::TopLevelWindowFinder finder;
    return finder;
}

// The product index under which the add-in keeps its language setting, and
// the product name the resource server is made for.
constexpr int kLanguageProductIndex = 2;
const QString kResourceProductName = QStringLiteral("Selvane8");

} // namespace

// ---- Channels -------------------------------------------------------------

namespace support {

namespace {
engine::TaggedValue readChannel(int16_t channel, engine::TaggedValue preset, int16_t numBytes) {
    const int32_t rc = engine::QxReadTempData(channel, preset, numBytes);
    if (rc != 0)
        engine::RaiseQxLibError(QStringLiteral("QxReadTempData"), QStringLiteral("QxReadTempData"), rc, false);
    return preset;
}

void writeChannel(int16_t channel, const engine::TaggedValue& value, int16_t numBytes) {
    const int16_t rc = engine::QxWriteTempData(channel, value, numBytes);
    if (rc != 0)
        engine::RaiseQxLibError(QStringLiteral("QxWriteTempData"), QStringLiteral("QxWriteTempData"), rc, false);
}
} // namespace

bool readChannelBool(int16_t channel) {
    return readChannel(channel, engine::TaggedValue::fromBool(false), 2).toBool();
}

int32_t readChannelLong(int16_t channel) {
    return readChannel(channel, engine::TaggedValue::fromInt32(0), 4).toInt32();
}

double readChannelDouble(int16_t channel) {
    return readChannel(channel, engine::TaggedValue::fromDouble(0.0), 8).toDouble();
}

void writeChannelBool(int16_t channel, bool value) {
    writeChannel(channel, engine::TaggedValue::fromBool(value), 2);
}

void writeChannelLong(int16_t channel, int32_t value) {
    writeChannel(channel, engine::TaggedValue::fromInt32(value), 4);
}

} // namespace support

// ---- Life cycle -----------------------------------------------------------

WatcherManager::WatcherManager(QObject* parent) : QObject(parent) {}

WatcherManager::~WatcherManager() {
    // A client that goes away without Dispose must not leave the process
    // believing its run is still under way.
    if (m_ownsRun)
        Dispose();
    else
        releaseWindows();
    if (ProcessState::currentManager() == this)
        ProcessState::setCurrentManager(nullptr);
}

void WatcherManager::Initialize() {
    writeLog(QStringLiteral("Entering WatcherManager.Initialize"));
    if (!ProcessState::applicationInitialized())
        engine::InitializeApplication();

    const QString setting =
        ol::ResourceServer::settingString(ol::ResourceServer::languageSetting(kLanguageProductIndex));
    ProcessState::setResourceServer(
        std::shared_ptr<ol::ResourceServer>(ol::ResourceServer::create(kResourceProductName, setting)));

    if (ProcessState::optimizationUnderWay())
        ol::raiseError(ol::kErrGeneral, QStringLiteral("Initialize"),
                       QStringLiteral("Cannot optimize, because optimization is under way in another copy of Excel."));
    ProcessState::setOptimizationUnderWay(true);
    m_ownsRun = true;

    // Held until the process ends; a second Watcher process that cannot take
    // it still works (the first one already tells the others a Watcher lives).
    if (!watcherMutex().isHeld())
        watcherMutex().create(kWatcherMutexName);

    emptyCollections();
    m_IDForQxLogReadRecordVB = 0;
    ProcessState::setCurrentManager(this);
    writeLog(QStringLiteral("Exiting WatcherManager.Initialize"));
}

void WatcherManager::emptyCollections() {
    for (engine::TaggedCollection* c :
         {&m_Input_AllGeneNamesCol, &m_Input_GroupNames, &m_Input_GroupSolvingMethods,
          &m_Input_AdjustableCellsFormatAsDateCol, &m_Input_AtomicConstraintsFormatAsDateCol,
          &m_Input_ConstraintSolver_HardConstraintDescriptions, &m_Input_ConstraintSolver_HardConstraintFormulas,
          &m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final,
          &m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial,
          &m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted})
        *c = engine::TaggedCollection();
}

void WatcherManager::InitializeForms() {
    writeLog(QStringLiteral("Entering WatcherManager.InitializeForms"));
    // The help file needs no process-wide setting here: every help topic is
    // opened with Input_MainHelpFilePath (ShowHelp).
    const QString source = QStringLiteral("InitializeForms");
    if (m_compactWindow || m_fullWindow)
        ol::raiseError(ol::kErrGeneral, source,
                       QStringLiteral("The progress windows of this optimization exist already."));
    WindowFactory* factory = windowFactory();
    if (!factory)
        ol::raiseError(ol::kErrGeneral, source,
                       QStringLiteral("The progress windows cannot be created: no window factory is installed."));
    const bool ef = m_Input_EFPerformAnalysis;
    const QString kind = ef ? QStringLiteral("efficient-frontier") : QStringLiteral("optimization");
    std::unique_ptr<CompactWindow> compactWin = factory->createCompactWindow(ef);
    if (!compactWin)
        ol::raiseError(ol::kErrGeneral, source,
                       QStringLiteral("The compact progress window of an %1 run is not available.").arg(kind));
    std::unique_ptr<FullWindow> fullWin = factory->createFullWindow(ef);
    if (!fullWin)
        ol::raiseError(ol::kErrGeneral, source,
                       QStringLiteral("The Watcher window of an %1 run is not available.").arg(kind));

    m_compactWindow = std::move(compactWin);
    m_fullWindow = std::move(fullWin);
    try {
        m_compactWindow->Initialize(this);
        m_fullWindow->Initialize(this);
    } catch (...) {
        // Leave nothing half made: a later InitializeForms starts afresh.
        releaseWindows();
        throw;
    }
    writeLog(QStringLiteral("Exiting WatcherManager.InitializeForms"));
}

void WatcherManager::releaseWindows() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ReleaseWindows"));
    if (m_fullWindow) {
        guard.run([&] { m_fullWindow->Hide(); });
        guard.run([&] { m_fullWindow->Unload(); });
        guard.run([&] { m_fullWindow->Dispose(); });
        m_fullWindow.reset();
    }
    if (m_compactWindow) {
        guard.run([&] { m_compactWindow->Hide(); });
        guard.run([&] { m_compactWindow->Unload(); });
        guard.run([&] { m_compactWindow->Dispose(); });
        m_compactWindow.reset();
    }
}

void WatcherManager::StopTimer() {
    writeLog(QStringLiteral("WATCHER: entering WatcherManager.StopTimer"));
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("StopTimer"));
    guard.run([&] { full().SetStopTimer(true); });
    guard.run([&] { full().SetUpdateTimerEnabled(false); });
    writeLog(QStringLiteral("WATCHER: exiting WatcherManager.StopTimer"));
}

bool WatcherManager::MirGraphModalDialogBeingDisplayed() const {
    return ol::tryOr(false, [&] { return full().MirGraphModalDialogBeingDisplayed(); });
}

void WatcherManager::WaitWhileGraphDialogIsUp() {
    if (!m_fullWindow || !MirGraphModalDialogBeingDisplayed())
        return;
    writeLog(QStringLiteral("WATCHER: WatcherManager.Dispose waits for a graph dialog to close"));
    // The person is asked something by the dialog; the windows go once it is
    // answered, or after the longest wait, whichever comes first.
    const QDeadlineTimer deadline(kGraphDialogWaitLimitMs);
    while (MirGraphModalDialogBeingDisplayed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, kGraphDialogPollMs);
    writeLog(QStringLiteral("WATCHER: WatcherManager.Dispose, graph dialog wait over, still up: ") +
             (MirGraphModalDialogBeingDisplayed() ? QStringLiteral("True") : QStringLiteral("False")));
}

void WatcherManager::Dispose() {
    writeLog(QStringLiteral("WATCHER: entering WatcherManager.Dispose"));
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("Dispose"));
    if (m_modalDisplays > 0) {
        // The window's nested event loop is still on the stack below this
        // call; destroying the window now would pull it away from under it.
        guard.run([&] { full().Hide(); });
        writeLog(QStringLiteral("WATCHER: WatcherManager.Dispose waits for the modal Watcher window to close"));
        return;
    }
    WaitWhileGraphDialogIsUp();

    guard.run([&] {
        if (TrialCount() > 0)
            GenerateProgressGraphFile();
    });
    writeLog(QStringLiteral("WATCHER, WatcherManager: after GenerateProgressGraphFile"));

    guard.run([&] { full().Hide(); });
    writeLog(QStringLiteral("WATCHER, WatcherManager: HideAndUnloadDialog, hid dialog"));
    guard.run([&] { full().Unload(); });
    writeLog(QStringLiteral("WATCHER, WatcherManager: HideAndUnloadDialog, unloaded form, Err: ") +
             guard.lastDescription());

    if (ProcessState::currentManager() == this)
        ProcessState::setCurrentManager(nullptr);

    m_Input_ExcelApplication = ObjectRef();
    writeLog(QStringLiteral("WATCHER, WatcherManager.Dispose: Set Input_ExcelApplication = Nothing"));
    m_Input_NETApplication = ObjectRef();
    m_Input_Application = ObjectRef();
    writeLog(QStringLiteral("WATCHER, WatcherManager.Dispose: Set Input_Application = Nothing"));
    m_Input_KitsetCallbacksObject = ObjectRef();
    writeLog(QStringLiteral("WATCHER, WatcherManager.Dispose: Set Input_KitsetCallbacksObject = Nothing"));
    emptyCollections();

    if (m_fullWindow) {
        guard.run([&] { m_fullWindow->Dispose(); });
        m_fullWindow.reset();
    }
    writeLog(QStringLiteral("WATCHER, WatcherManager.Dispose: Set m_FormWatcher = Nothing"));
    if (m_compactWindow) {
        guard.run([&] { m_compactWindow->Hide(); });
        guard.run([&] { m_compactWindow->Unload(); });
        guard.run([&] { m_compactWindow->Dispose(); });
        m_compactWindow.reset();
    }

    if (m_ownsRun) {
        m_ownsRun = false;
        g_stopClickInProgress = false;
        ProcessState::setOptimizationUnderWay(false);
        ProcessState::setResourceServer(nullptr);
        writeLog(QStringLiteral("WATCHER, WatcherManager.Dispose: Set g_ResourceServer = Nothing"));
    }
    writeLog(QStringLiteral("WATCHER: exiting WatcherManager.Dispose"));
}

qint32 WatcherManager::WatcherProcessID() {
    const qint32 id = ProcessState::processId();
    // Start-up reads it once; before start-up the process's own id is the same.
    return id != 0 ? id : static_cast<qint32>(QCoreApplication::applicationPid());
}

// ---- Windows and host objects ---------------------------------------------

CompactWindow& WatcherManager::compact() const {
    if (!m_compactWindow)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("WatcherManager"),
                       QStringLiteral("The compact progress window does not exist."));
    return *m_compactWindow;
}

FullWindow& WatcherManager::full() const {
    if (!m_fullWindow)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("WatcherManager"),
                       QStringLiteral("The Watcher window does not exist."));
    return *m_fullWindow;
}

std::shared_ptr<HostExcel> WatcherManager::excel() {
    HostConnector* connector = hostConnector();
    if (!connector || m_Input_ExcelApplication.isNull())
        return nullptr;
    return connector->excel(m_Input_ExcelApplication);
}

std::shared_ptr<HostApplication> WatcherManager::application() {
    HostConnector* connector = hostConnector();
    if (!connector || m_Input_Application.isNull())
        return nullptr;
    return connector->application(m_Input_Application);
}

// ---- Process-wide run-control state ---------------------------------------

bool WatcherManager::stopClickInProgress() noexcept {
    return g_stopClickInProgress;
}

void WatcherManager::setStopClickInProgress(bool on) noexcept {
    g_stopClickInProgress = on;
}

qint32 WatcherManager::bothDialogsLockCount() noexcept {
    return g_bothDialogsLockCount;
}

qint32 WatcherManager::bothDialogsUnlockCount() noexcept {
    return g_bothDialogsUnlockCount;
}

void WatcherManager::lockPopulation() {
    const int32_t rc = engine::QxLib().QxPopLock(m_Input_PopHandle);
    if (rc != 0)
        engine::RaiseQxLibError(QStringLiteral("WatcherManager"), QStringLiteral("QxPopLock"), rc, false);
}

bool WatcherManager::tryLockPopulation(int32_t waitMs) {
    const int32_t rc = engine::QxLib().QxPopTryLock(m_Input_PopHandle, waitMs);
    if (rc == QX_E_LOCK_TIMEOUT)
        return false;
    if (rc != 0)
        engine::RaiseQxLibError(QStringLiteral("WatcherManager"), QStringLiteral("QxPopTryLock"), rc, false);
    return true;
}

void WatcherManager::unlockPopulation() {
    const int32_t rc = engine::QxLib().QxPopUnlock(m_Input_PopHandle);
    if (rc != 0)
        engine::RaiseQxLibError(QStringLiteral("WatcherManager"), QStringLiteral("QxPopUnlock"), rc, false);
}

int16_t WatcherManager::runStatus() {
    const int16_t status = engine::QxLib().QxPopGetRunStatus(m_Input_PopHandle);
    if (status < 0)
        engine::RaiseQxLibError(QStringLiteral("WatcherManager"), QStringLiteral("QxPopGetRunStatus"), status, false);
    return status;
}

int32_t WatcherManager::setRunStatus(int16_t status) {
    const int32_t rc = engine::QxLib().QxPopSetRunStatus(m_Input_PopHandle, status);
    if (rc != 0)
        engine::LogQxLibError(QStringLiteral("WatcherManager"), QStringLiteral("QxPopSetRunStatus"), rc, false);
    return rc;
}

void WatcherManager::BothDialogs_Update(bool forceUpdateOfEverything, bool updateLastResult) {
    // The stop question of a multi-core run holds the lock meanwhile.
    if (g_stopClickInProgress)
        return;
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("BothDialogs_Update"));
    const bool logging = DiagnosticLog::isOn();
    auto count = [](qint32& counter) {
        if (counter == std::numeric_limits<qint32>::max())
            ol::raiseError(ol::kErrGeneral, QStringLiteral("BothDialogs_Update"),
                           QStringLiteral("The count of population locks overflowed."));
        ++counter;
    };
    if (logging)
        writeLog(
            QStringLiteral("WatcherManager.BothDialogs_Update: about to call QxPopTryLock(%1)").arg(m_Input_PopHandle));
    bool busy = false;
    guard.run([&] { busy = !tryLockPopulation(kUpdateLockWaitMs); });
    if (busy) {
        // Every read of the windows' updates would wait for the lock again:
        // leave them as they are until the holder lets go.
        if (logging)
            writeLog(QStringLiteral("WatcherManager.BothDialogs_Update: the population is locked by another "
                                    "process; the windows were not updated"));
        m_populationBusy = true;
        guard.run([&] { full().ShowStatusText(engine::GetResourceString(kPopulationBusyText)); });
        return;
    }
    guard.run([&] { count(g_bothDialogsLockCount); });
    if (logging)
        writeLog(QStringLiteral("WatcherManager.BothDialogs_Update: QxPopTryLock returned"));
    if (m_populationBusy) {
        // The full window's own update writes the status line again once a
        // trial is there to show; until then it stays empty.
        m_populationBusy = false;
        guard.run([&] { full().ShowStatusText(QString()); });
    }

    // The windows read under the lock; what they do with what they read
    // (afterPopulationUnlock) comes after the unlock.
    ++m_updateLockDepth;
    guard.run([&] { compact().Update(); });
    guard.run([&] { full().Update(forceUpdateOfEverything, updateLastResult); });
    --m_updateLockDepth;

    if (logging)
        writeLog(
            QStringLiteral("WatcherManager.BothDialogs_Update: about to call QxPopUnlock(%1)").arg(m_Input_PopHandle));
    guard.run([&] { unlockPopulation(); });
    guard.run([&] { count(g_bothDialogsUnlockCount); });
    if (logging)
        writeLog(QStringLiteral("WatcherManager.BothDialogs_Update: QxPopUnlock returned"));
    if (m_updateLockDepth == 0) {
        std::vector<std::function<void()>> work;
        work.swap(m_afterUnlock);
        for (const std::function<void()>& step : work)
            guard.run(step);
    }
}

void WatcherManager::afterPopulationUnlock(std::function<void()> work) {
    if (!work)
        return;
    if (m_updateLockDepth > 0)
        m_afterUnlock.push_back(std::move(work));
    else
        work();
}

void WatcherManager::BothDialogs_GoToPausingConfig() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("BothDialogs_GoToPausingConfig"));
    guard.run([&] { compact().GoToPausingConfig(); });
    guard.run([&] { full().GoToPausingConfig(); });
}

// ---- engine::SurvivalHost -------------------------------------------------

bool WatcherManager::hasExcelApplication() {
    return !m_Input_ExcelApplication.isNull();
}

void WatcherManager::runExcelMacro(const QString& macro) {
    const std::shared_ptr<HostExcel> host = excel();
    if (!host)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("runExcelMacro"),
                       QStringLiteral("The host's application object is not available."));
    host->run(macro);
}

int32_t WatcherManager::excelMajorVersion() {
    return m_Input_ExcelMajorVersion;
}

int64_t WatcherManager::excelAppWindow() {
    return m_Input_ExcelAppHwnd;
}

ol::WindowRef WatcherManager::findTopLevelWindow(const QString& title) {
    const TopLevelWindowFinder& finder = topLevelWindowFinder();
    return finder ? finder(title) : ol::WindowRef();
}

void WatcherManager::setTopLevelWindowFinder(TopLevelWindowFinder finder) {
    topLevelWindowFinder() = std::move(finder);
}

} // namespace manager

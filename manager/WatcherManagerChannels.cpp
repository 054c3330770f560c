// The temp-data channel protocol with the add-in: each side polls the
// numbered slots; a slot holds the last value written to it.
#include "DiagnosticLog.h"
#include "ManagerSupport.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"

namespace manager {

using engine::DiagnosticLog;
using support::boolText;
using support::writeLog;

namespace {
constexpr int32_t kSolverHelpContext = 1200;
constexpr int32_t kAnswerYes = -1;
constexpr int32_t kAnswerNo = -2;
} // namespace

void WatcherManager::ReadStoppingOptionsFromWatcher() {
    // A failed read leaves its property as it was.
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ReadStoppingOptionsFromWatcher"));
    guard.run([&] {
        m_Stop_AtEndGenerateOptimizationSummary = support::readChannelBool(ChannelStopGenerateOptimizationSummary);
    });
    guard.run([&] { m_Stop_AtEndWriteLogOfAllTrials = support::readChannelBool(ChannelStopWriteLogOfAllTrials); });
    guard.run(
        [&] { m_Stop_AtEndWriteLogOfProgressSteps = support::readChannelBool(ChannelStopWriteLogOfProgressSteps); });
    guard.run([&] { m_Stop_SolutionToKeep = support::readChannelLong(ChannelStopSolutionToKeep); });
}

bool WatcherManager::GetFirstTrialInfoSentByXL(qint32& graphAllTrialsInitialNumTrialsShown,
                                               qint32& numLastTrialsToShow) {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("GetFirstTrialInfoSentByXL"));
    writeLog(QStringLiteral("About to call QxLib.QxReadTempData ChannelFirstTrialInfoAvailable, l_InfoAvailable, 2"));
    bool available = false;
    guard.run([&] { available = support::readChannelBool(ChannelFirstTrialInfoAvailable); });
    writeLog(QStringLiteral("GetFirstTrialInfoSentByXL, l_InfoAvailable=") + boolText(available));
    if (available) {
        guard.run([&] {
            graphAllTrialsInitialNumTrialsShown =
                support::readChannelLong(ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown);
        });
        guard.run([&] { numLastTrialsToShow = support::readChannelLong(ChannelFirstTrialNumLastTrialsToShow); });
        // Counts that make no sense are accepted; the windows cope.
        if (!(graphAllTrialsInitialNumTrialsShown > 0 && numLastTrialsToShow > 0))
            writeLog(QStringLiteral("ERROR: GetFirstTrialInfoSentByXL, p_GraphAllTrialsInitialNumTrialsShown=%1, "
                                    "p_NumLastTrialsToShow=%2")
                         .arg(graphAllTrialsInitialNumTrialsShown)
                         .arg(numLastTrialsToShow));
    }
    return available;
}

void WatcherManager::InitializeAfterFirstTrialIfReady() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("InitializeAfterFirstTrialIfReady"));
    writeLog(QStringLiteral("About to call GetFirstTrialInfoSentByXL"));
    qint32 allTrialsShown = 0;
    qint32 numLastTrials = 0;
    if (!GetFirstTrialInfoSentByXL(allTrialsShown, numLastTrials))
        return;
    writeLog(QStringLiteral("WatcherManager.InitializeAfterFirstTrialIfReady: Ready"));
    guard.run([&] { full().InitializeAfterFirstTrial(allTrialsShown, numLastTrials); });
    guard.run([&] { compact().InitializeAfterFirstTrial(); });
    m_GotInitializedAfterFirstTrial = true;
    writeLog(
        QStringLiteral("WatcherManager.InitializeAfterFirstTrialIfReady: about to TellXLInitializedAfterFirstTrial"));
    TellXLInitializedAfterFirstTrial();
}

void WatcherManager::TellXLInitializedAfterFirstTrial() {
    if (m_toldXLInitializedAfterFirstTrial)
        return;
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("TellXLInitializedAfterFirstTrial"));
    if (guard.run([] { support::writeChannelBool(ChannelWatcherInitializedAfterFirstTrial, true); }))
        m_toldXLInitializedAfterFirstTrial = true;
}

bool WatcherManager::OLToldWatcherToStopTimer() {
    return ol::tryOr(
        false, [] { return support::readChannelBool(ChannelOLToldWatcherToStopTimer); },
        [](const ol::OLError& e) { DiagnosticLog::WriteError(QStringLiteral("OLToldWatcherToStopTimer"), e); });
}

bool WatcherManager::TellOLWatcherStoppedTimer() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("TellOLWatcherStoppedTimer"));
    guard.run([] { support::writeChannelBool(ChannelWatcherStoppedTimer, true); });
    return false;
}

void WatcherManager::SendCommandToShowWatcherModally() {
    writeLog(QStringLiteral(
                 "About to call QxLib.QxWriteTempData XLWatcherChannels.ChannelWatcherSentCommandToShowItModally, "
                 "True, 2 (XLWatcherChannels.ChannelWatcherSentCommandToShowItModally=") +
             QStringLiteral("15") + QStringLiteral(")"));
    ol::StepGuard guard;
    guard.run([] { support::writeChannelBool(ChannelWatcherSentCommandToShowItModally, true); });
    writeLog(QStringLiteral("QxWriteTempData returned, Err: ") + guard.lastDescription());
}

void WatcherManager::SendShowExcelRecalculationsToXL(qint32 value) {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("SendShowExcelRecalculationsToXL"));
    guard.run([&] { support::writeChannelLong(ChannelShowExcelRecalculations, value); });
}

void WatcherManager::RequestXLUpdate() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("RequestXLUpdate"));
    guard.run([] { support::writeChannelBool(ChannelWatcherRequestsXLUpdate, true); });
}

void WatcherManager::CheckWindowsMoved() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("CheckWindowsMoved"));
    guard.run([&] { full().CheckWindowMoved(); });
    guard.run([&] { compact().CheckWindowMoved(); });
}

void WatcherManager::CheckForXLRequestToAskUserAboutSolverAndProcess() {
    if (m_askedAboutSolver)
        return;
    const QString operation = QStringLiteral("CheckForXLRequestToAskUserAboutSolverAndProcess");
    int32_t answer = 0;
    bool tookCompactOffTop = false;
    try {
        writeLog(operation + QStringLiteral(", about to read from channel"));
        const int32_t request = support::readChannelLong(ChannelXLRequestToAskUserAboutSolver);
        writeLog(operation + QStringLiteral(", read from channel: %1").arg(request));
        if (request > 0) {
            // The question must not hide behind the always-on-top window.
            if (m_compactWindow && m_compactWindow->Visible()) {
                m_compactWindow->SetTopmost(false);
                tookCompactOffTop = true;
            }
            const QString text =
                request == 1 ? engine::GetResourceString(4526) : engine::GetResourceString(4527, request);
            const bool yes = DisplayYesNoQueryWithHelp(text, m_Input_MainHelpFilePath, kSolverHelpContext, true, true);
            answer = yes ? kAnswerYes : kAnswerNo;
            m_askedAboutSolver = true;
        }
    } catch (...) {
        DiagnosticLog::WriteError(operation, ol::currentExceptionAsError(operation));
        answer = kAnswerNo;
    }
    if (tookCompactOffTop)
        ol::tryOr(false, [&] {
            m_compactWindow->SetTopmost(true);
            return true;
        });
    if (answer < 0) {
        m_askedAboutSolver = true;
        SendAnswerToXLAboutConstraintSolver(answer);
    }
}

void WatcherManager::SendAnswerToXLAboutConstraintSolver(qint32 answer) {
    writeLog(QStringLiteral("SendAnswerToXLAboutConstraintSolver, about to write: %1").arg(answer));
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("SendAnswerToXLAboutConstraintSolver"));
    guard.run([&] { support::writeChannelLong(ChannelXLRequestToAskUserAboutSolver, answer); });
    writeLog(QStringLiteral("SendAnswerToXLAboutConstraintSolver, line returned"));
}

void WatcherManager::
    CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest() {
    const QString operation = QStringLiteral(
        "CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest");
    int32_t answer = 0;
    try {
        writeLog(operation + QStringLiteral(", about to read from channel"));
        const int32_t request = support::readChannelLong(ChannelXLRequestToAskUserAboutInconsistentConstraints);
        writeLog(operation + QStringLiteral(", read from channel: %1").arg(request));
        if (request > 0) {
            // With the host's alerts off the run goes on, as after an error.
            const bool yes = DisplayYesNoQuery(engine::GetResourceString(5201), true, true);
            answer = yes ? kAnswerYes : kAnswerNo;
        }
    } catch (...) {
        DiagnosticLog::WriteError(operation, ol::currentExceptionAsError(operation));
        answer = kAnswerYes;
    }
    if (answer < 0)
        SendAnswerToXLAboutInconsistentConstraints(answer);
}

void WatcherManager::SendAnswerToXLAboutInconsistentConstraints(qint32 answer) {
    writeLog(QStringLiteral("SendAnswerToXLAboutInconsistentConstraints, about to write: %1").arg(answer));
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("SendAnswerToXLAboutInconsistentConstraints"));
    guard.run([&] { support::writeChannelLong(ChannelXLRequestToAskUserAboutInconsistentConstraints, answer); });
    writeLog(QStringLiteral("SendAnswerToXLAboutInconsistentConstraints, line returned"));
}

namespace {
// Reads a Double channel with the two log lines of the statistics queries;
// 0 when the read fails.
double readCountChannel(int16_t channel, const QString& name) {
    writeLog(QStringLiteral("WatcherManger, %1, about to call QxReadTempData").arg(name));
    const double value = ol::tryOr(
        0.0, [&] { return support::readChannelDouble(channel); },
        [&](const ol::OLError& e) { DiagnosticLog::WriteError(name, e); });
    if (DiagnosticLog::isOn())
        writeLog(QStringLiteral("WatcherManger, %1, QxReadTempData returned: ").arg(name) +
                 DiagnosticLog::NumberText(value));
    return value;
}
} // namespace

double WatcherManager::NumIterations() {
    return readCountChannel(ChannelNumIterations, QStringLiteral("NumIterations"));
}

double WatcherManager::NumIterationsInCompletedSimulation() {
    return readCountChannel(ChannelNumIterationsInCompletedSimulation,
                            QStringLiteral("NumIterationsInCompletedSimulation"));
}

double WatcherManager::NumTrialUnderWay() {
    return readCountChannel(ChannelNumTrialUnderWay, QStringLiteral("NumTrialUnderWay"));
}

double WatcherManager::EFNumOptimizationUnderWay() {
    writeLog(QStringLiteral("About to QxReadTempData, ChannelEFNumOptimizationUnderWay"));
    const double value = ol::tryOr(0.0, [] { return support::readChannelDouble(ChannelEFNumOptimizationUnderWay); });
    if (DiagnosticLog::isOn())
        writeLog(QStringLiteral("QxReadTempData returned: ") + DiagnosticLog::NumberText(value));
    return value;
}

} // namespace manager

// Which of the run's two windows is on screen, the modal display at the end
// of a run, the questions to the person, and the end-of-run progress graph.
#include <QSize>

#include "Formatting.h"
#include "FrontierGraph.h"
#include "HelpTopics.h"
#include "ManagerSupport.h"
#include "ModalDialogChanges.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "ol/Directories.h"
#include "ol/Questions.h"
#include "ol/VisualServices.h"

namespace manager {

using engine::DiagnosticLog;
using support::boolText;
using support::writeLog;

namespace {
// Report graphs of this kind are the progress graph.
constexpr int32_t kProgressGraphKind = 2;
// The size of the graph file when the add-in does not say (a common report
// picture size).
constexpr QSize kDefaultProgressGraphSize(640, 480);
constexpr double kMinimumAxisMaximum = 10.0;

// Sets the question-shown flag while a question is on screen, and clears
// it whatever happens.
class QuestionShown {
public:
    QuestionShown() { engine::ProcessState::setQuestionShown(true); }
    ~QuestionShown() { engine::ProcessState::setQuestionShown(false); }
    QuestionShown(const QuestionShown&) = delete;
    QuestionShown& operator=(const QuestionShown&) = delete;
};
} // namespace

void WatcherManager::ShowFullWatcher() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ShowFullWatcher"));
    guard.run([&] {
        if (const auto host = excel())
            host->bringToFront();
    });
    guard.run([&] { compact().Hide(); });
    guard.run([&] { compact().SetTopmost(false); });
    guard.run([&] { full().SetTopmost(true); });
    guard.run([&] { full().Show(); });
    if (!m_Input_EFPerformAnalysis)
        guard.run([&] { full().AfterShow(); });
}

void WatcherManager::ShowCompactWindow() {
    // A graph's dialog belongs to the full window: hiding that window would
    // leave the dialog without the window it is about.
    if (MirGraphModalDialogBeingDisplayed()) {
        writeLog(QStringLiteral("WATCHER: ShowCompactWindow, a graph dialog is up; the Watcher window stays"));
        return;
    }
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ShowCompactWindow"));
    guard.run([&] {
        if (const auto host = excel())
            host->bringToFront();
    });
    guard.run([&] { full().Hide(); });
    guard.run([&] { full().SetTopmost(false); });
    guard.run([&] { compact().SetTopmost(true); });
    guard.run([&] { compact().Show(); });
    guard.run([] { support::writeChannelBool(ChannelWatcherRequestsXLUpdate, true); });
}

void WatcherManager::ShowWatcherModally() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ShowWatcherModally"));
    if (!m_WatcherShown) {
        const QString name =
            m_Input_EFPerformAnalysis ? QStringLiteral("m_FormProgressSmallEF") : QStringLiteral("m_FormProgressSmall");
        guard.run([&] {
            writeLog(QStringLiteral("ShowWatcherModally, %1.Visible: ").arg(name) + boolText(compact().Visible()));
            writeLog(QStringLiteral("ShowWatcherModally, about to hide small progress form."));
            compact().Hide();
            writeLog(QStringLiteral("ShowWatcherModally, after hide command, %1.Visible: ").arg(name) +
                     boolText(compact().Visible()));
        });
    }
    ModalDialogChanges changes;
    guard.run([&] {
        std::shared_ptr<HostExcel> host;
        guard.run([&] { host = excel(); });
        changes.Initialize(host, m_Input_ExcelAppHwnd, full().windowRef());
    });
    ++m_modalDisplays;
    guard.run([&] { full().ShowModal(); });
    --m_modalDisplays;
    guard.run([&] { changes.Restore(); });
    Dispose();
}

qint32 WatcherManager::GetTopPropertyOfVisibleForm() {
    return ol::tryOr(
        qint32(0), [&] { return m_WatcherShown ? full().TopTwips() : compact().TopTwips(); },
        [](const ol::OLError& e) { DiagnosticLog::WriteError(QStringLiteral("GetTopPropertyOfVisibleForm"), e); });
}

void WatcherManager::DisplayMessage(const QString& messageText, bool suppressible) {
    ol::MessageRequest request;
    request.title = kMessageTitle;
    request.text = messageText;
    request.systemModal = true;
    ol::displayMessage(ol::messageBoxService(), request, m_Input_DisplayAlerts, suppressible);
}

bool WatcherManager::DisplayYesNoQuery(const QString& messageText, bool suppressible, bool displayAlertsOffResult) {
    const ol::Suppression suppression{suppressible, displayAlertsOffResult};
    if (suppression.skips(m_Input_DisplayAlerts))
        return displayAlertsOffResult;
    ol::YesNoRequest request;
    request.title = kMessageTitle;
    request.text = messageText;
    const QuestionShown shown;
    return ol::displayYesNo(ol::messageBoxService(), request, m_Input_DisplayAlerts, suppression);
}

bool WatcherManager::DisplayYesNoQueryWithHelp(const QString& messageText, const QString& helpFilePath,
                                               qint32 helpContextID, bool suppressible, bool displayAlertsOffResult) {
    const ol::Suppression suppression{suppressible, displayAlertsOffResult};
    if (suppression.skips(m_Input_DisplayAlerts))
        return displayAlertsOffResult;
    ol::HelpQuestion question;
    question.title = kMessageTitle;
    question.text = messageText;
    question.buttonCaptions = {engine::GetCommonString(5), engine::GetCommonString(16), engine::GetCommonString(17)};
    question.helpFile = helpFilePath;
    question.helpContext = helpContextID;
    // The survival checker keeps this question in front of the host too.
    const QuestionShown shown;
    return ol::displayYesNoWithHelp(ol::messageBoxService(), question, m_Input_DisplayAlerts, suppression,
                                    [this](int context) { ShowHelp(context); });
}

void WatcherManager::ShowHelp(qint32 helpContextId) {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ShowHelp"));
    // A missing help file is said, not passed over: the person asked for help.
    guard.run([&] { openHelpTopic(m_Input_MainHelpFilePath, helpContextId); });
}

void WatcherManager::ShowHelpForControl(qint32 helpContextId) {
    ShowHelp(helpContextId);
}

void WatcherManager::GenerateProgressGraphFile() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("GenerateProgressGraphFile"));
    QSize size = kDefaultProgressGraphSize;
    guard.run([&] {
        if (const auto app = application())
            if (const auto reported = app->reportGraphSize(kProgressGraphKind); reported && !reported->isEmpty())
                size = *reported;
    });
    QString title;
    guard.run([&] { title = engine::GetResourceString(5200); });
    double axisMaximum = kMinimumAxisMaximum;
    guard.run([&] {
        axisMaximum = engine::RoundUpAtLeadingDigit(TrialCount()).toDouble();
        if (axisMaximum < kMinimumAxisMaximum)
            axisMaximum = kMinimumAxisMaximum;
    });
    // An efficient-frontier run has no all-trials graph: its window declines.
    guard.run([&] {
        if (!m_Input_ProgressGraphPath.isEmpty())
            full().ExportProgressGraph(m_Input_ProgressGraphPath, title, axisMaximum, size.width(), size.height());
    });
}

ObjectRef WatcherManager::EFGraphChartInExcel(const ObjectRef& excelApplication, const QString& graphPlacementRange,
                                              const QString& graphDataRange) {
    const QString source = QStringLiteral("EFGraphChartInExcel");
    try {
        FrontierGraph* graph = publishedFrontierGraph();
        if (graph == nullptr)
            ol::raiseError(ol::kErrGeneral, source,
                           QStringLiteral("There is no efficient-frontier graph to place in the workbook."));
        graph->SetFirstItemColor(kFrontierChartFirstItemColor);
        const FrontierChart chart = graph->ChartData();
        HostConnector* connector = hostConnector();
        const std::shared_ptr<HostExcel> host =
            connector != nullptr && !excelApplication.isNull() ? connector->excel(excelApplication) : nullptr;
        if (!host)
            ol::raiseError(ol::kErrGeneral, source, QStringLiteral("The host's application object is not available."));
        return host->addFrontierChart(chart, graphPlacementRange, graphDataRange);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(source);
        DiagnosticLog::WriteError(source, error);
        ol::tryOr(false, [&] {
            ol::MessageRequest request;
            request.title = kMessageTitle;
            request.text = error.description();
            ol::messageBoxService().showMessage(request);
            return true;
        });
    }
    return ObjectRef();
}

} // namespace manager

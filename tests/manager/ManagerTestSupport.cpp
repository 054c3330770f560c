#include "ManagerTestSupport.h"

#include <thread>

#include <QFile>

#include "DiagnosticLog.h"
#include "ProcessState.h"
#include "QxLibBinding.h"
#include "qxlib8.h"

namespace managertest {

using manager::WatcherManager;

std::unique_ptr<manager::CompactWindow> ScriptedWindowFactory::createCompactWindow(bool ef) {
    requests << QStringLiteral("compact(ef=%1)").arg(int(ef));
    if (!makeCompact)
        return nullptr;
    auto w = std::make_unique<ScriptedCompactWindow>(m_journal);
    if (setUpCompact)
        setUpCompact(*w);
    compact = w.get();
    return w;
}

std::unique_ptr<manager::FullWindow> ScriptedWindowFactory::createFullWindow(bool ef) {
    requests << QStringLiteral("full(ef=%1)").arg(int(ef));
    if (!makeFull)
        return nullptr;
    auto w = std::make_unique<ScriptedFullWindow>(m_journal);
    w->exportSink = &lastExport;
    if (setUpFull)
        setUpFull(*w);
    full = w.get();
    return w;
}

bool ScriptedHostExcel::displayAlerts() {
    m_journal.push_back(QStringLiteral("excel.displayAlerts"));
    if (failDisplayAlerts)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("displayAlerts"), QStringLiteral("The host does not answer."));
    return alerts;
}

void ScriptedHostExcel::setDisplayAlerts(bool on) {
    m_journal.push_back(QStringLiteral("excel.setDisplayAlerts(%1)").arg(int(on)));
    alerts = on;
}

void ScriptedHostExcel::setInteractive(bool on) {
    m_journal.push_back(QStringLiteral("excel.setInteractive(%1)").arg(int(on)));
}

void ScriptedHostExcel::setStatusBar(const QString& text) {
    m_journal.push_back(QStringLiteral("excel.setStatusBar(%1)").arg(text));
}

void ScriptedHostExcel::setWindowEnabled(bool on) {
    m_journal.push_back(QStringLiteral("excel.setWindowEnabled(%1)").arg(int(on)));
    enabled = on;
}

void ScriptedHostExcel::run(const QString& macro) {
    m_journal.push_back(QStringLiteral("excel.run(%1)").arg(macro));
}

void ScriptedHostExcel::bringToFront() {
    m_journal.push_back(QStringLiteral("excel.bringToFront"));
}

void HookedMessageBoxes::showMessage(const ol::MessageRequest& r) {
    if (beforeAnswer)
        beforeAnswer();
    m_answers.showMessage(r);
}

bool HookedMessageBoxes::askYesNo(const ol::YesNoRequest& r) {
    if (beforeAnswer)
        beforeAnswer();
    return m_answers.askYesNo(r);
}

int HookedMessageBoxes::askWithHelp(const ol::HelpQuestion& q) {
    if (beforeAnswer)
        beforeAnswer();
    return m_answers.askWithHelp(q);
}

TestLog::TestLog() : m_path(m_dir.filePath(QStringLiteral("run.selvanelog"))) {
    EXPECT_EQ(QxLogCreateWVB(m_path.toUtf8().constData(), 1, 1, 0, nullptr, nullptr, nullptr, &m_log), 0);
}

TestLog::~TestLog() {
    QxLogClose(m_log);
}

void TestLog::addTrials(int32_t count, int32_t invalid) {
    for (int32_t i = 0; i < count; ++i) {
        ++m_trials;
        if (i >= invalid)
            ++m_valid;
        m_gene = m_trials;
        QxLogRecord r{};
        r.valueWithPenalties = valueOf(m_trials);
        r.recalcNum = m_trials;
        r.geneValues = &m_gene;
        r.extra.validTrialCount = m_valid;
        ASSERT_EQ(QxLogAppendTrialWVB(m_log, &r), 0);
    }
}

void TestLog::addStep(int32_t selector) {
    m_gene = m_trials;
    QxLogRecord r{};
    r.valueWithPenalties = valueOf(m_trials);
    r.recalcNum = m_trials;
    r.geneValues = &m_gene;
    r.extra.validTrialCount = m_valid;
    ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, selector, &r), 0);
}

void ManagerTest::SetUp() {
    qputenv("SELVANE_LOG_DIR", QFile::encodeName(logDir.path()));
    engine::DiagnosticLog::StopLogging();
    engine::InitializeQxLib();
    const int32_t genes[] = {1};
    const int16_t methods[] = {1};
    ASSERT_EQ(QxPopCreate(4, 1, genes, methods, &pop), 0);
    ASSERT_EQ(QxPopSetRunStatus(pop, WatcherManager::kRunStatusOptimizing), 0);
    ASSERT_EQ(QxClearTempData(), 0);
    ol::VisualServices services = answers.asServices();
    services.messageBoxes = &boxes;
    m_services = std::make_unique<ol::ScopedVisualServices>(services);
    manager::setWindowFactory(&factory);
    manager::setHostConnector(&connector);
}

void ManagerTest::TearDown() {
    manager::setWindowFactory(nullptr);
    manager::setHostConnector(nullptr);
    m_services.reset();
    // A test that leaves a run behind must not spoil the next one.
    engine::ProcessState::setOptimizationUnderWay(false);
    engine::ProcessState::setCurrentManager(nullptr);
    engine::ProcessState::setResourceServer(nullptr);
    engine::ProcessState::setModalDialogUp(false);
    engine::ProcessState::setQuestionShown(false);
    WatcherManager::setStopClickInProgress(false);
    engine::DiagnosticLog::StopLogging();
    QxPopFree(pop);
    EXPECT_EQ(answers.pendingAnswers(), 0) << "the test scripted answers that were never asked for";
}

std::unique_ptr<WatcherManager> ManagerTest::startedManager(bool efficientFrontier) {
    auto m = std::make_unique<WatcherManager>();
    m->Initialize();
    m->setInput_PopHandle(pop);
    m->setInput_DisplayAlerts(true);
    m->setInput_EFPerformAnalysis(efficientFrontier);
    m->setInput_ExcelApplication(manager::ObjectRef{QStringLiteral(":1.7"), QStringLiteral("/excel")});
    m->setInput_Application(manager::ObjectRef{QStringLiteral(":1.7"), QStringLiteral("/app")});
    m->setInput_ExcelAppHwnd(4711);
    m->InitializeForms();
    journal.clear();
    return m;
}

bool ManagerTest::lockIsFree() const {
    int32_t rc = -1;
    std::thread other([&] {
        rc = QxPopLock(pop);
        if (rc == 0)
            QxPopUnlock(pop);
    });
    other.join();
    return rc == 0;
}

int16_t ManagerTest::status() const {
    return QxPopGetRunStatus(pop);
}

void ManagerTest::setStatus(int16_t s) const {
    ASSERT_EQ(QxPopSetRunStatus(pop, s), 0);
}

QStringList ManagerTest::callsOf(const QString& prefix) const {
    QStringList out;
    for (const QString& c : journal)
        if (c.startsWith(prefix))
            out << c.mid(prefix.size());
    return out;
}

void ManagerTest::startLogging() {
    QFile marker(logDir.filePath(engine::DiagnosticLog::kMarkerFileName));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    engine::DiagnosticLog::StartLogging();
}

QStringList ManagerTest::logMessages() const {
    QFile f(logDir.filePath(QStringLiteral("Selvane.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts))
        out << line.mid(line.indexOf(u' ', line.indexOf(QStringLiteral("  ")) + 2) + 1);
    return out;
}

bool channelBool(int16_t channel) {
    int16_t v = 0;
    EXPECT_EQ(QxReadTempData(channel, &v, 2), 0);
    return v != 0;
}

int32_t channelLong(int16_t channel) {
    int32_t v = 0;
    EXPECT_EQ(QxReadTempData(channel, &v, 4), 0);
    return v;
}

void setChannelBool(int16_t channel, bool value) {
    const int16_t v = value ? QX_TRUE : QX_FALSE;
    EXPECT_EQ(QxWriteTempData(channel, &v, 2), 0);
}

void setChannelLong(int16_t channel, int32_t value) {
    EXPECT_EQ(QxWriteTempData(channel, &value, 4), 0);
}

void setChannelDouble(int16_t channel, double value) {
    EXPECT_EQ(QxWriteTempData(channel, &value, 8), 0);
}

ol::OLError raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const ol::OLError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ol::OLError(0, QString(), QString());
}

} // namespace managertest

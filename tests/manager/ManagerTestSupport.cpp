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
    auto w = std::make_unique<ScriptedCompactWindow>(m_journal);
    compact = w.get();
    return w;
}

std::unique_ptr<manager::FullWindow> ScriptedWindowFactory::createFullWindow(bool ef) {
    requests << QStringLiteral("full(ef=%1)").arg(int(ef));
    if (!makeFull)
        return nullptr;
    auto w = std::make_unique<ScriptedFullWindow>(m_journal, lastExport);
    if (setUpFull)
        setUpFull(*w);
    full = w.get();
    return w;
}

bool ScriptedHost::displayAlerts() {
    m_journal << QStringLiteral("excel.displayAlerts");
    if (failDisplayAlerts)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("displayAlerts"), QStringLiteral("The host does not answer."));
    return alerts;
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
        m_valid += i >= invalid ? 1 : 0;
        append(false);
    }
}

void TestLog::addStep() {
    append(true);
}

void TestLog::append(bool step) {
    const double gene = m_trials;
    QxLogRecord r{};
    r.valueWithPenalties = 100.0 + m_trials;
    r.recalcNum = m_trials;
    r.geneValues = &gene;
    r.extra.validTrialCount = m_valid;
    ASSERT_EQ(step ? QxLogAppendProgressStepWVB(m_log, 1, &r) : QxLogAppendTrialWVB(m_log, &r), 0);
}

void ManagerTest::SetUp() {
    qputenv("SELVANE_LOG_DIR", QFile::encodeName(logDir.path()));
    engine::DiagnosticLog::StopLogging();
    engine::InitializeQxLib();
    const int32_t genes[] = {1};
    const int16_t methods[] = {1};
    ASSERT_EQ(QxPopCreate(4, 1, genes, methods, &pop), 0);
    setStatus(WatcherManager::kRunStatusOptimizing);
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
    engine::DiagnosticLog::StopLogging();
    QxPopFree(pop);
    EXPECT_EQ(answers.pendingAnswers(), 0) << "scripted answers were never asked for";
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
    // The lock is recursive per thread, so only another thread can tell.
    int32_t rc = -1;
    std::thread other([&] {
        if ((rc = QxPopLock(pop)) == 0)
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

QStringList ManagerTest::asked(const QString& operation) const {
    QStringList out;
    for (const ol::ScriptedCall& c : answers.callsOf(operation))
        out << c.text;
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
    QStringList out;
    if (f.open(QIODevice::ReadOnly)) // each line: "WATCHER, <tick>  <delta> <message>"
        for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts))
            out << line.mid(line.indexOf(u' ', line.indexOf(QStringLiteral("  ")) + 2) + 1);
    return out;
}

int32_t channelLong(int16_t channel) {
    int32_t v = 0;
    EXPECT_EQ(QxReadTempData(channel, &v, 4), 0);
    return v;
}

bool channelBool(int16_t channel) {
    int16_t v = 0;
    EXPECT_EQ(QxReadTempData(channel, &v, 2), 0);
    return v != 0;
}

void setChannel(int16_t channel, bool value) {
    const int16_t v = value ? QX_TRUE : QX_FALSE;
    EXPECT_EQ(QxWriteTempData(channel, &v, 2), 0);
}

void setChannel(int16_t channel, int32_t value) {
    EXPECT_EQ(QxWriteTempData(channel, &value, 4), 0);
}

void setChannel(int16_t channel, double value) {
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

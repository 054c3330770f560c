#include "LogGridTestSupport.h"

#include "QxLibBinding.h"

namespace loggridtest {

LogFile::LogFile(const QString& path, int32_t genes, std::vector<Constraint> constraints)
    : m_genes(genes), m_constraints(static_cast<int32_t>(constraints.size())) {
    std::vector<const char*> names;
    std::vector<int16_t> hard, atomic;
    for (const Constraint& c : constraints) {
        names.push_back(c.name.c_str());
        hard.push_back(c.hardNotSoft);
        atomic.push_back(c.atomic ? QX_TRUE : QX_FALSE);
    }
    EXPECT_EQ(QxLogCreateWVB(path.toUtf8().constData(), 1, genes, m_constraints, names.data(), hard.data(),
                             atomic.data(), &m_writer),
              0);
}

LogFile::~LogFile() {
    QxLogClose(m_writer);
}

Record LogFile::trial(int32_t n) const {
    Record r;
    r.elapsedMs = 1000 * n;
    r.valueWithPenalties = 10.0 * n;
    r.recalcNum = n;
    r.constraintValues.assign(static_cast<size_t>(m_constraints), 0.0);
    r.constraintCellValues.assign(static_cast<size_t>(m_constraints), double(n));
    for (int32_t g = 1; g <= m_genes; ++g)
        r.geneValues.push_back(n + g / 10.0);
    r.extra.validTrialCount = n;
    return r;
}

namespace {
QxLogRecord view(const Record& r) {
    QxLogRecord q{};
    q.elapsedMs = r.elapsedMs;
    q.valueWithPenalties = r.valueWithPenalties;
    q.recalcNum = r.recalcNum;
    q.constraintValues = r.constraintValues.data();
    q.constraintCellValues = r.constraintCellValues.data();
    q.geneValues = r.geneValues.data();
    q.extra = r.extra;
    return q;
}
} // namespace

void LogFile::append(const Record& r) {
    const QxLogRecord q = view(r);
    ASSERT_EQ(QxLogAppendTrialWVB(m_writer, &q), 0);
}

void LogFile::appendStep(int32_t selector, const Record& r) {
    const QxLogRecord q = view(r);
    ASSERT_EQ(QxLogAppendProgressStepWVB(m_writer, selector, &q), 0);
}

void LogFile::appendTrials(int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        append(trial(m_next++));
}

void LogServerTest::SetUp() {
    engine::InitializeQxLib();
    resources = std::make_unique<enginetest::ScopedResourceServer>();
    logPath = dir.filePath(QStringLiteral("run.selvanelog"));
    manager.setInput_LogPath(logPath);
}

void LogServerTest::TearDown() {
    resources.reset();
}

std::unique_ptr<LogFile> LogServerTest::makeLog(int32_t genes, std::vector<Constraint> constraints) {
    return std::make_unique<LogFile>(logPath, genes, std::move(constraints));
}

std::unique_ptr<loggrid::ProgressDialogLogSvr> LogServerTest::boundServer() {
    auto server = std::make_unique<loggrid::ProgressDialogLogSvr>();
    server->InitializeAndAddColumnsToGrid(&columns, &manager);
    return server;
}

QStringList LogServerTest::rowTexts(loggrid::ProgressDialogLogSvr& server, int row) {
    QStringList out;
    for (int c = 0; c < server.columnCount(); ++c)
        out << server.index(row, c).data().toString();
    return out;
}

} // namespace loggridtest

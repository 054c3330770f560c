// The constraint solver's verdicts, read from real optimization logs that the
// tests write through the engine library as the add-in does.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "../engine/EngineTestEnv.h"
#include "ConstraintVerdicts.h"
#include "QxLibBinding.h"
#include "qxlib8.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using manager::ConstraintVerdicts;

constexpr int16_t kHard = 0;
constexpr int16_t kSoft = 1;

// A log of one chromosome with two genes and the given constraints.
class TestLog {
public:
    TestLog(const QString& path, const std::vector<int16_t>& kinds) : m_kinds(kinds) {
        std::vector<std::string> names;
        std::vector<const char*> namePointers;
        for (size_t i = 0; i < kinds.size(); ++i)
            names.push_back("C" + std::to_string(i + 1));
        for (const auto& n : names)
            namePointers.push_back(n.c_str());
        const std::vector<int16_t> atomic(kinds.size(), QX_FALSE);
        EXPECT_EQ(QxLogCreateWVB(path.toUtf8().constData(), 1, 2, static_cast<int32_t>(kinds.size()),
                                 namePointers.data(), kinds.data(), atomic.data(), &m_log),
                  0);
    }
    ~TestLog() { QxLogClose(m_log); }

    // A trial whose constraints are violated by the amounts given.
    void trial(const std::vector<double>& violations, bool progressStep = false) {
        ++m_trials;
        const double genes[2] = {1, 2};
        const std::vector<double> cells(violations.size(), 0.0);
        QxLogRecord rec{};
        rec.valueWithPenalties = static_cast<double>(m_trials);
        rec.recalcNum = m_trials;
        rec.constraintValues = violations.data();
        rec.constraintCellValues = cells.data();
        rec.geneValues = genes;
        ASSERT_EQ(QxLogAppendTrialWVB(m_log, &rec), 0);
        if (progressStep) {
            ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, 1, &rec), 0);
        }
    }

private:
    std::vector<int16_t> m_kinds;
    int32_t m_log = 0;
    int32_t m_trials = 0;
};

class ConstraintVerdictsTest : public ::testing::Test {
protected:
    QString verdicts(int row) const {
        QStringList cells;
        for (auto column : {ConstraintVerdicts::Best, ConstraintVerdicts::Original, ConstraintVerdicts::Last})
            cells << m_verdicts.verdictText(row, column);
        return cells.join(u'|');
    }

    enginetest::TempLogDir m_logs;
    enginetest::ScopedResourceServer m_resources;
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(u"run.qxlog"_s);
    ConstraintVerdicts m_verdicts;
};

TEST_F(ConstraintVerdictsTest, BestColumnStaysEmptyUntilTheFirstProgressStep) {
    TestLog log(m_path, {kHard, kHard});
    log.trial({0, 3});
    log.trial({2, 0});
    m_verdicts.initialize(2);
    m_verdicts.update(m_path);
    EXPECT_EQ(verdicts(0), u"|Met|Not met");
    EXPECT_EQ(verdicts(1), u"|Not met|Met");

    log.trial({0, 0}, true);
    log.trial({1, 1});
    m_verdicts.update(m_path);
    EXPECT_EQ(verdicts(0), u"Met|Met|Not met");
    EXPECT_EQ(verdicts(1), u"Met|Not met|Not met");
    EXPECT_EQ(m_verdicts.verdictResource(0, ConstraintVerdicts::Last), ConstraintVerdicts::kResourceNotMet);
}

TEST_F(ConstraintVerdictsTest, SoftConstraintsTakeNoRow) {
    // Hard, soft, hard, soft, hard: rows 1..3 are constraints 1, 3 and 5.
    TestLog log(m_path, {kHard, kSoft, kHard, kSoft, kHard});
    log.trial({0, 5, 4, 0, 0}, true);
    m_verdicts.initialize(3);
    m_verdicts.update(m_path);
    EXPECT_EQ(verdicts(0), u"Met|Met|Met");
    EXPECT_EQ(verdicts(1), u"Not met|Not met|Not met");
    EXPECT_EQ(verdicts(2), u"Met|Met|Met");
    // More hard constraints in the log than rows: the extra ones are dropped.
    m_verdicts.initialize(1);
    m_verdicts.update(m_path);
    EXPECT_EQ(verdicts(0), u"Met|Met|Met");
    EXPECT_EQ(verdicts(1), u"||");
}

TEST_F(ConstraintVerdictsTest, ASingleTrialGivesEqualOriginalAndLastColumns) {
    TestLog log(m_path, {kHard, kHard, kHard});
    log.trial({0, 0.5, 0});
    m_verdicts.initialize(3);
    m_verdicts.update(m_path);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(m_verdicts.verdictText(row, ConstraintVerdicts::Original),
                  m_verdicts.verdictText(row, ConstraintVerdicts::Last));
        EXPECT_EQ(m_verdicts.verdictText(row, ConstraintVerdicts::Best), QString());
    }
    EXPECT_EQ(m_verdicts.verdictText(1, ConstraintVerdicts::Last), u"Not met");
}

TEST_F(ConstraintVerdictsTest, EveryStepIsLoggedAndAMissingLogLeavesTheCellsAsTheyWere) {
    TestLog log(m_path, {kSoft, kHard});
    log.trial({1, 0});
    m_logs.startLogging();
    m_verdicts.initialize(1);
    m_verdicts.update(m_path);
    const QStringList lines = m_logs.logMessages();
    const QStringList expected = {
        u"ConstraintSolverTab_Update, About to call QxLogGetRecordCountsWVB with LogPath: "_s + m_path,
        u"ConstraintSolverTab_Update, QxLogGetRecordCountsWVB returned TrialCount=1, progressStepCount=0, rc=0"_s,
        u"ConstraintSolverTab_UpdateOneColumn, About to call QxLogReadRecordVB with LogPath="_s + m_path +
            u", recordNum=1"_s,
        u"ConstraintSolverTab_UpdateOneColumn, QxLogGetRecord returned valueWithPenalties=1, recalcNum=1, rc=0"_s,
        u"About to call QxLogGetConstraintInfoVB with path="_s + m_path + u", constraintNum=1"_s,
        u"QxLogGetConstraintInfoVB returned s=C1, l_HardNotSoft=1"_s,
        u"About to call QxLogGetConstraintInfoVB with path="_s + m_path + u", constraintNum=2"_s,
        u"QxLogGetConstraintInfoVB returned s=C2, l_HardNotSoft=0"_s,
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(lines.mid(0, expected.size()), expected);
    EXPECT_EQ(verdicts(0), u"|Met|Met");

    // No log at the path: the failures are logged and nothing is filled in.
    m_verdicts.update(m_dir.filePath(u"missing.qxlog"_s));
    EXPECT_EQ(verdicts(0), u"|Met|Met");
    EXPECT_FALSE(m_logs.logMessages()
                     .filter(u"Error in method: ConstraintSolverTab_Update, QxLib method: "
                             u"QxLogGetRecordCountsWVB"_s)
                     .isEmpty());
}

TEST(ConstraintVerdictsLayout, SolutionColumnsAreWiderInLanguagesWithLongerVerdicts) {
    EXPECT_EQ(ConstraintVerdicts::SolutionColumnWidth(7), 1650);
    for (int language : {10, 12, 22, 25})
        EXPECT_EQ(ConstraintVerdicts::SolutionColumnWidth(language), 1250) << language;
    for (int language : {9, 16, 0, -1})
        EXPECT_EQ(ConstraintVerdicts::SolutionColumnWidth(language), 1000) << language;
    EXPECT_EQ(ConstraintVerdicts::TextColumnWidth(9000, 1000), 2850);
    EXPECT_EQ(ConstraintVerdicts::TextColumnWidth(9000, 1650), 1875);
}

} // namespace

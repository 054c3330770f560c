#pragma once

// An optimization log written as the add-in writes it, for the pages' tests:
// trials with their objective and gene values, and progress steps where a
// test says so.

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QFile>
#include <QString>

#include "qxlib8.h"

namespace pagetest {

class RunLog {
public:
    RunLog(const QString& path, int genes) : m_genes(genes) {
        const QByteArray name = QFile::encodeName(path);
        EXPECT_EQ(QxLogCreateWVB(name.constData(), 1, genes, 0, nullptr, nullptr, nullptr, &m_log), QX_OK);
    }
    ~RunLog() {
        if (m_log != 0)
            QxLogClose(m_log);
    }
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    int trials() const { return m_trial; }
    // Progress steps from now on belong to optimization k of an
    // efficient-frontier series (1 at first).
    void optimization(int32_t k) { m_selector = k; }

    // The next trial with this value and gene values (gene i = geneBase + i
    // when none are given); a progress step too when `step`.
    void trial(double value, bool step = false, std::vector<double> genes = {}) {
        append(value, step ? m_selector : 0, std::move(genes));
    }
    // The next trial, a progress step of constraining value k (1-based) of
    // an efficient-frontier series.
    void stepOf(int32_t k, double value) { append(value, k, {}); }
    // Trials up to trial number `last`, none a step, all of this value.
    void trialsUpTo(int last, double value) {
        while (m_trial < last)
            trial(value);
    }

private:
    // A trial, and a progress step under `selector` unless it is 0.
    void append(double value, int32_t selector, std::vector<double> genes) {
        ++m_trial;
        if (genes.empty())
            for (int i = 0; i < m_genes; ++i)
                genes.push_back(m_trial + 0.5 * i);
        genes.resize(static_cast<size_t>(m_genes));
        QxLogRecord record{};
        record.elapsedMs = m_trial;
        record.spareValue = value;
        record.valueWithPenalties = value;
        record.recalcNum = m_trial;
        record.geneValues = genes.data();
        record.extra.validTrialCount = m_trial;
        ASSERT_EQ(QxLogAppendTrialWVB(m_log, &record), QX_OK);
        if (selector != 0) {
            ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, selector, &record), QX_OK);
        }
    }

    int m_genes;
    int32_t m_log = 0;
    int m_trial = 0;
    int32_t m_selector = 1;
};

} // namespace pagetest

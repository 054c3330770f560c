#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "ProgressDialogLogSvr.h"
#include "WatcherManager.h"
#include "engine/EngineTestEnv.h"
#include "qxlib8.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace loggridtest {

struct Constraint {
    std::string name;
    int16_t hardNotSoft = 0; // 0 = group Z
    bool atomic = false;
};

// One record as the add-in appends it; the arrays are sized to the log.
struct Record {
    int32_t elapsedMs = 0;
    double valueWithPenalties = 0.0;
    int32_t recalcNum = 0;
    std::vector<double> constraintValues;
    std::vector<double> constraintCellValues;
    std::vector<double> geneValues;
    QxLogRecordExtra extra{};
};

// An optimization log written through the engine library's writer.
class LogFile {
public:
    LogFile(const QString& path, int32_t genes, std::vector<Constraint> constraints);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // A record of trial n: elapsed 1000 n ms, value 10 n, gene g = n + g / 10,
    // every constraint met (0) with cell value n.
    Record trial(int32_t n) const;
    void append(const Record& r);
    void appendStep(int32_t selector, const Record& r);
    void appendTrials(int32_t count);

private:
    int32_t m_genes;
    int32_t m_constraints;
    int32_t m_writer = 0;
    int32_t m_next = 1;
};

// The column calls the server makes on its grid.
class RecordingColumns : public loggrid::LogGridColumns {
public:
    QStringList calls;
    void RemoveAllColumns() override { calls << QStringLiteral("remove"); }
    void AddColumn(const QString& header, int32_t width) override { calls << header + u'|' + QString::number(width); }
};

// Around each test: the engine bound, a private log directory, an English
// resource server and a manager whose Input_LogPath is a log in a private
// folder (not yet written).
class LogServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<LogFile> makeLog(int32_t genes, std::vector<Constraint> constraints);
    // A server bound to the manager, columns built into `columns`.
    std::unique_ptr<loggrid::ProgressDialogLogSvr> boundServer();
    // Row `row` as the grid shows it, one text per column.
    static QStringList rowTexts(loggrid::ProgressDialogLogSvr& server, int row);

    QTemporaryDir dir;
    QString logPath;
    enginetest::TempLogDir logDir;
    std::unique_ptr<enginetest::ScopedResourceServer> resources;
    manager::WatcherManager manager;
    RecordingColumns columns;
};

} // namespace loggridtest

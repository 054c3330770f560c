#include <gtest/gtest.h>

#include <array>

#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include "DiagnosticLog.h"
#include "EngineTestEnv.h"

using engine::DiagnosticLog;
using enginetest::TempLogDir;

namespace {

// "WATCHER, <tick>  <delta> <message>"
const QRegularExpression kLinePattern(QStringLiteral("^WATCHER, (\\d+)  (\\d+) (.*)$"));

struct ParsedLine {
    uint32_t tick = 0;
    uint32_t delta = 0;
    QString message;
};

ParsedLine parse(const QString& line) {
    const QRegularExpressionMatch m = kLinePattern.match(line);
    EXPECT_TRUE(m.hasMatch()) << line.toStdString();
    return {m.captured(1).toUInt(), m.captured(2).toUInt(), m.captured(3)};
}

} // namespace

TEST(DiagnosticLogMarker, OffWithoutMarkerAndNothingWritten) {
    TempLogDir dir;
    EXPECT_FALSE(DiagnosticLog::IsLoggingDetailOn());
    // A marker-like name that is neither of the two accepted ones.
    dir.touch(QStringLiteral("MirrowLoggingDetail"));
    EXPECT_FALSE(DiagnosticLog::IsLoggingDetailOn());

    QString message = QStringLiteral("never written");
    DiagnosticLog::WriteLine(message);
    EXPECT_EQ(message, QStringLiteral("never written")) << "the message changes only when a line is written";
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("Selvane.log"))));
}

TEST(DiagnosticLogMarker, EitherMarkerNameTurnsItOn) {
    {
        TempLogDir dir;
        dir.touch(QStringLiteral("MirrowLoggingDetail.txt"));
        EXPECT_TRUE(DiagnosticLog::IsLoggingDetailOn());
    }
    {
        TempLogDir dir;
        dir.touch(QStringLiteral("MirrowLoggingDetail.txt.txt"));
        EXPECT_TRUE(DiagnosticLog::IsLoggingDetailOn());
    }
}

TEST(DiagnosticLogMarker, LogPathTakesTrimmedSuffix) {
    TempLogDir dir;
    EXPECT_EQ(DiagnosticLog::LogPath(), dir.file(QStringLiteral("Selvane.log")));
    EXPECT_EQ(DiagnosticLog::LogPath(QStringLiteral("  EF2 ")), dir.file(QStringLiteral("SelvaneEF2.log")));
}

TEST(DiagnosticLogLines, LineLayoutTickAndDeltas) {
    TempLogDir dir;
    const uint32_t before = DiagnosticLog::tickNow();
    dir.startLogging();
    const uint32_t started = DiagnosticLog::tickNow();
    QThread::msleep(30);
    QString first = QStringLiteral("first message");
    DiagnosticLog::WriteLine(first);
    const uint32_t afterFirst = DiagnosticLog::tickNow();
    QThread::msleep(20);
    QString second = QStringLiteral("second, with  two blanks");
    DiagnosticLog::WriteLine(second);
    const uint32_t afterSecond = DiagnosticLog::tickNow();

    const QStringList lines = dir.logLines();
    ASSERT_EQ(lines.size(), 2);
    // The argument is rewritten to exactly the line in the file.
    EXPECT_EQ(first, lines[0]);
    EXPECT_EQ(second, lines[1]);

    const ParsedLine a = parse(lines[0]);
    const ParsedLine b = parse(lines[1]);
    EXPECT_EQ(a.message, QStringLiteral("first message"));
    EXPECT_EQ(b.message, QStringLiteral("second, with  two blanks"));
    // Ticks are the monotonic clock in milliseconds.
    EXPECT_GE(a.tick, started);
    EXPECT_LE(a.tick, afterFirst);
    EXPECT_GE(b.tick, afterFirst);
    EXPECT_LE(b.tick, afterSecond);
    // The first delta counts from StartLogging, the second from the first line.
    EXPECT_GE(a.delta, 30u);
    EXPECT_LE(a.delta, afterFirst - before);
    EXPECT_GE(b.delta, 20u);
    EXPECT_LE(b.delta, afterSecond - a.tick);
}

TEST(DiagnosticLogLines, AppendsToExistingFileAndKeepsUtf8) {
    TempLogDir dir;
    dir.touch(QStringLiteral("Selvane.log"), QByteArray("earlier line\n"));
    dir.startLogging();
    DiagnosticLog::WriteLine(QStringLiteral("Größe ≥ 3"));
    const QStringList lines = dir.logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("earlier line"));
    EXPECT_EQ(parse(lines[1]).message, QStringLiteral("Größe ≥ 3"));
}

TEST(DiagnosticLogLines, ArrayDumpAndNumberText) {
    const std::array<double, 4> values{1.5, 2.0, 1e-5, -3e20};
    EXPECT_EQ(DiagnosticLog::ArrayText(QStringLiteral("p_AdjustableCellValues"), values),
              QStringLiteral("Array p_AdjustableCellValues:   1.5  2  1E-05  -3E+20"));
    EXPECT_EQ(DiagnosticLog::ArrayText(QStringLiteral("empty"), {}), QStringLiteral("Array empty: "));
    EXPECT_EQ(DiagnosticLog::NumberText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(DiagnosticLog::NumberText(123456789012.5), QStringLiteral("123456789012.5"));

    TempLogDir dir;
    dir.startLogging();
    DiagnosticLog::WriteArray(QStringLiteral("v"), std::array<double, 2>{4.0, 0.25});
    EXPECT_EQ(dir.logMessages(), QStringList{QStringLiteral("Array v:   4  0.25")});
}

TEST(DiagnosticLogLines, ErrorTextForm) {
    const ol::OLError error(ol::kErrInvalidArgument, QStringLiteral("GetCommonString"), QStringLiteral("whichString"));
    EXPECT_EQ(DiagnosticLog::ErrorText(QStringLiteral("Op"), error),
              QStringLiteral("Error in Op: whichString (0x80040014)"));
}

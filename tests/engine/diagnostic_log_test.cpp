#include <gtest/gtest.h>

#include <array>

#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include "DiagnosticLog.h"
#include "EngineTestEnv.h"

using engine::DiagnosticLog;
using enginetest::TempLogDir;

TEST(DiagnosticLog, MarkerNames) {
    TempLogDir none;
    none.touch(QStringLiteral("MirrowLoggingDetail"));
    EXPECT_FALSE(DiagnosticLog::IsLoggingDetailOn());
    QString message = QStringLiteral("never written");
    DiagnosticLog::WriteLine(message);
    EXPECT_EQ(message, QStringLiteral("never written"));
    EXPECT_FALSE(QFileInfo::exists(none.file(QStringLiteral("Selvane.log"))));

    for (const char* marker : {"MirrowLoggingDetail.txt", "MirrowLoggingDetail.txt.txt"}) {
        TempLogDir dir;
        dir.touch(QLatin1String(marker));
        EXPECT_TRUE(DiagnosticLog::IsLoggingDetailOn()) << marker;
    }
}

TEST(DiagnosticLog, LineLayoutTickAndDeltas) {
    TempLogDir dir;
    dir.touch(QStringLiteral("Selvane.log"), QByteArray("line of an earlier run\n"));
    const uint32_t before = DiagnosticLog::tickNow();
    dir.startLogging();
    QThread::msleep(30);
    QString first = QStringLiteral("first message");
    DiagnosticLog::WriteLine(first);
    const uint32_t afterFirst = DiagnosticLog::tickNow();
    QThread::msleep(20);
    QString second = QStringLiteral("Größe  ≥ 3");
    DiagnosticLog::WriteLine(second);
    const uint32_t afterSecond = DiagnosticLog::tickNow();

    const QStringList lines = dir.logLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("line of an earlier run")); // appended, never truncated
    EXPECT_EQ(first, lines[1]);                                    // the argument becomes the line written
    EXPECT_EQ(second, lines[2]);

    const QRegularExpression form(QStringLiteral("^WATCHER, (\\d+)  (\\d+) (.*)$"));
    const QRegularExpressionMatch a = form.match(lines[1]);
    const QRegularExpressionMatch b = form.match(lines[2]);
    ASSERT_TRUE(a.hasMatch() && b.hasMatch());
    EXPECT_EQ(a.captured(3), QStringLiteral("first message"));
    EXPECT_EQ(b.captured(3), QStringLiteral("Größe  ≥ 3"));
    const uint32_t tickA = a.captured(1).toUInt();
    const uint32_t tickB = b.captured(1).toUInt();
    EXPECT_GE(tickA, before + 30);
    EXPECT_LE(tickA, afterFirst);
    EXPECT_GE(tickB, afterFirst + 20);
    EXPECT_LE(tickB, afterSecond);
    // The first delta counts from StartLogging, the next from the line before.
    EXPECT_GE(a.captured(2).toUInt(), 30u);
    EXPECT_LE(a.captured(2).toUInt(), afterFirst - before);
    EXPECT_GE(b.captured(2).toUInt(), 20u);
    EXPECT_LE(b.captured(2).toUInt(), afterSecond - tickA);
}

TEST(DiagnosticLog, ArrayDump) {
    EXPECT_EQ(DiagnosticLog::ArrayText(QStringLiteral("p_AdjustableCellValues"),
                                       std::array<double, 4>{1.5, 2.0, 1e-5, 0.1 + 0.2}),
              QStringLiteral("Array p_AdjustableCellValues:   1.5  2  1E-05  0.3"));
    TempLogDir dir;
    dir.startLogging();
    DiagnosticLog::WriteArray(QStringLiteral("v"), std::array<double, 0>{});
    EXPECT_EQ(dir.logMessages(), QStringList{QStringLiteral("Array v: ")});
}

TEST(DiagnosticLog, NeverWritesThroughALinkPlantedAtItsName) {
    TempLogDir dir;
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("notes.txt"));
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious\n");
    }
    ASSERT_TRUE(QFile::link(victim, dir.file(QStringLiteral("Selvane.log"))));
    dir.startLogging();
    QString message = QStringLiteral("a line that must not reach the link's target");
    DiagnosticLog::WriteLine(message);
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("precious\n"));
}

TEST(DiagnosticLog, IsReadableByTheUserOnly) {
    TempLogDir dir;
    dir.touch(QStringLiteral("Selvane.log"), QByteArray("line of an earlier run\n"));
    QFile::setPermissions(dir.file(QStringLiteral("Selvane.log")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    dir.startLogging();
    QString message = QStringLiteral("next line");
    DiagnosticLog::WriteLine(message);
    EXPECT_EQ(QFileInfo(dir.file(QStringLiteral("Selvane.log"))).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

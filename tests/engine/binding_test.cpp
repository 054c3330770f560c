#include <gtest/gtest.h>

#include <QRegularExpression>

#include "EngineTestEnv.h"
#include "QxLibBinding.h"
#include "ol/Directories.h"

using namespace Qt::StringLiterals;
using enginetest::raised;
using enginetest::ScopedEnv;
using enginetest::ScopedResourceServer;
using enginetest::TempLogDir;

namespace {

QByteArray fakeDir(const char* variant) {
    return QByteArray(ENGINE_FAKES_DIR "/") + variant;
}

// Every case starts with the real library bound, so that each failure also
// shows that it left the working binding alone.
class QxLibBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine::InitializeQxLib();
        m_handle = engine::QxLibHandle();
        ASSERT_NE(m_handle, 0u);
    }
    void expectRealLibraryStillBound() const {
        EXPECT_EQ(engine::QxLibHandle(), m_handle);
        // The real engine's text; a fake's would differ.
        EXPECT_EQ(engine::QxLibErrorDescription(QX_E_NO_LOG, false), QStringLiteral("no such optimization log"));
    }

    quintptr m_handle = 0;
    TempLogDir m_logs;
};

} // namespace

TEST_F(QxLibBindingTest, NoDirectoryOrNoLibrary) {
    const ol::OLError noDir = raised([] { engine::InitializeQxLib(QString()); });
    EXPECT_EQ(noDir.number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(noDir.description(), QStringLiteral("WATCHER: Could not find Mirrow System directory."));
    EXPECT_EQ(noDir.source(), QStringLiteral("InitializeQxLib"));

    m_logs.startLogging();
    QTemporaryDir empty;
    ScopedEnv dir("SELVANE_SYSTEM_DIR", QFile::encodeName(empty.path()));
    const QString path = empty.path() + QStringLiteral("/libqxlib8.so");
    const ol::OLError noLib = raised([] { engine::InitializeQxLib(); });
    EXPECT_EQ(noLib.number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(noLib.description(), QStringLiteral("WATCHER: Could not load the file ") + path + u'.');
    EXPECT_EQ(m_logs.logMessages(),
              (QStringList{QStringLiteral("WATCHER: Entering InitializeQxLib"),
                           QStringLiteral("WATCHER: About to call LoadLibrary for QxLib with this path: ") + path,
                           QStringLiteral("WATCHER: Called LoadLibrary for QxLib, l_QxLibHandle=0")}));
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, LibraryLackingAFunctionIsRefused) {
    ScopedEnv dir("SELVANE_SYSTEM_DIR", fakeDir("missing_function"));
    const ol::OLError e = raised([] { engine::InitializeQxLib(); });
    EXPECT_EQ(e.number(), ol::kErrLibraryNotFound);
    EXPECT_TRUE(e.description().contains(QStringLiteral("QxLogReadRecordWVB"))) << e.what();
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, InitFailures) {
    m_logs.startLogging();
    {
        ScopedEnv dir("SELVANE_SYSTEM_DIR", fakeDir("init_fails"));
        const ol::OLError e = raised([] { engine::InitializeQxLib(); });
        const QString text = QStringLiteral("Error in method: InitializeQxLib, QxLib method: QxInit3, error number-13, "
                                            "QxLib description: fake engine error -13");
        EXPECT_EQ(e.number(), ol::kErrGeneral);
        EXPECT_EQ(e.description(), text);
        EXPECT_EQ(m_logs.logMessages().mid(3),
                  (QStringList{QStringLiteral("QxInit3(1, 8, 0, )"),
                               QStringLiteral("WATCHER: QxInit3 returned, dllResult=-13"), text}));
    }
    {
        // -14: the library does not speak this interface version.
        ScopedResourceServer texts;
        ScopedEnv dir("SELVANE_SYSTEM_DIR", fakeDir("version_mismatch"));
        const ol::OLError e = raised([] { engine::InitializeQxLib(); });
        EXPECT_EQ(e.number(), ol::kErrQxLibMinus14);
        EXPECT_EQ(e.description(), texts.text(2101));
    }
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, SuccessLinesAndFreshEngineLog) {
    m_logs.startLogging();
    m_logs.touch(QStringLiteral("QxLib.log"), QByteArray("stale line of an earlier process\n"));
    engine::InitializeQxLib();
    EXPECT_EQ(m_logs.logMessages(),
              (QStringList{
                  QStringLiteral("WATCHER: Entering InitializeQxLib"),
                  QStringLiteral("WATCHER: About to call LoadLibrary for QxLib with this path: ") +
                      ol::systemDirectory() + QStringLiteral("/libqxlib8.so"),
                  QStringLiteral("WATCHER: Called LoadLibrary for QxLib, l_QxLibHandle=") + QString::number(m_handle),
                  QStringLiteral("QxInit3(1, 8, 0, )"), QStringLiteral("WATCHER: QxInit3 returned, dllResult=0"),
                  QStringLiteral("WATCHER: Exiting InitializeQxLib")}));
    // The engine's own log was deleted, then started afresh by the engine (flags 8).
    QFile engineLog(m_logs.file(QStringLiteral("QxLib.log")));
    ASSERT_TRUE(engineLog.open(QIODevice::ReadOnly));
    const QByteArray content = engineLog.readAll();
    EXPECT_FALSE(content.isEmpty());
    EXPECT_FALSE(content.contains("stale line"));
}

TEST_F(QxLibBindingTest, ErrorTextsAndRaisedNumbers) {
    m_logs.startLogging();
    const QString prefix = QStringLiteral("Error in method: Op, QxLib method: QxCall, error number");
    const QString plain = engine::LogQxLibError(QStringLiteral("Op"), QStringLiteral("QxCall"), QX_E_NO_LOG, false);
    EXPECT_EQ(plain, prefix + QStringLiteral("-8, QxLib description: no such optimization log"));
    // An exception the engine has no details of: no description part at all.
    const QString bare = engine::LogQxLibError(QStringLiteral("Op"), QStringLiteral("QxCall"), 12345, true);
    EXPECT_EQ(bare, prefix + QStringLiteral("12345"));
    // An exception after a real failure: the engine's details of it.
    const int32_t rc = engine::QxLib().QxLogGetRecordCountsWVB("/nonexistent/selvane.log", nullptr, nullptr);
    const QString detailed = engine::LogQxLibError(QStringLiteral("Op"), QStringLiteral("QxCall"), rc, true);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Error in method: Op, QxLib method: QxCall, error number-\\d+, QxLib "
                                          "description: Exception Name=\\w+, Method Name=.*, Message=.+$"))
            .match(detailed)
            .hasMatch())
        << detailed.toStdString();
    EXPECT_EQ(m_logs.logMessages(), (QStringList{plain, bare, detailed}));

    ScopedResourceServer texts;
    const ol::OLError general = raised([] { engine::RaiseQxLibError(u"PopView"_s, u"QxPopLock"_s, -3, false); });
    EXPECT_EQ(general.number(), ol::kErrGeneral);
    EXPECT_EQ(general.source(), QStringLiteral("PopView"));
    EXPECT_EQ(general.description(), engine::LogQxLibError(u"PopView"_s, u"QxPopLock"_s, -3, false));
    const ol::OLError version = raised([] { engine::RaiseQxLibError(u"X"_s, u"QxInit3"_s, -14, false); });
    EXPECT_EQ(version.number(), ol::kErrQxLibMinus14);
    EXPECT_EQ(version.description(), texts.text(2101));
}

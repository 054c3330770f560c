#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "EngineTestEnv.h"
#include "QxLibBinding.h"
#include "ol/Directories.h"
#include "ol/OLError.h"

using enginetest::ScopedEnv;
using enginetest::ScopedResourceServer;
using enginetest::TempLogDir;

namespace {

QString fakeLibraryDir(const char* variant) {
    return QStringLiteral(ENGINE_FAKES_DIR "/") + QLatin1String(variant);
}

// Runs f, which must raise; returns the error.
template <class F> ol::OLError raised(F&& f) {
    try {
        f();
    } catch (const ol::OLError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ol::OLError(0, QString(), QString());
}

// Every case starts with the real library bound, so that each failure can
// also show that it left the working binding alone.
class QxLibBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine::InitializeQxLib();
        m_boundHandle = engine::QxLibHandle();
        ASSERT_NE(m_boundHandle, 0u);
    }

    // The real engine's own text for "no such log", which a fake would not give.
    void expectRealLibraryStillBound() {
        EXPECT_EQ(engine::QxLibHandle(), m_boundHandle);
        EXPECT_EQ(engine::QxLibErrorDescription(QX_E_NO_LOG, false), QStringLiteral("no such optimization log"));
    }

    quintptr m_boundHandle = 0;
};

} // namespace

TEST_F(QxLibBindingTest, NoSystemDirectory) {
    const ol::OLError e = raised([] { engine::InitializeQxLib(QString()); });
    EXPECT_EQ(e.number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(e.description(), QStringLiteral("WATCHER: Could not find Mirrow System directory."));
    EXPECT_EQ(e.source(), QStringLiteral("InitializeQxLib"));
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, DirectoryWithoutLibrary) {
    TempLogDir logs;
    logs.startLogging();
    QTemporaryDir empty;
    ScopedEnv dir("SELVANE_SYSTEM_DIR", QFile::encodeName(empty.path()));
    const ol::OLError e = raised([] { engine::InitializeQxLib(); });
    const QString path = empty.path() + QStringLiteral("/libqxlib8.so");
    EXPECT_EQ(e.number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(e.description(), QStringLiteral("WATCHER: Could not load the file ") + path + u'.');
    EXPECT_EQ(logs.logMessages(),
              (QStringList{
                  QStringLiteral("WATCHER: Entering InitializeQxLib"),
                  QStringLiteral("WATCHER: About to call LoadLibrary for QxLib with this path: ") + path,
                  QStringLiteral("WATCHER: Called LoadLibrary for QxLib, l_QxLibHandle=0"),
              }));
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, LibraryLackingAFunctionIsRefused) {
    ScopedEnv dir("SELVANE_SYSTEM_DIR", QFile::encodeName(fakeLibraryDir("missing_function")));
    const ol::OLError e = raised([] { engine::InitializeQxLib(); });
    EXPECT_EQ(e.number(), ol::kErrLibraryNotFound);
    EXPECT_TRUE(e.description().contains(QStringLiteral("QxLogReadRecordWVB"))) << e.what();
    EXPECT_TRUE(e.description().contains(fakeLibraryDir("missing_function") + QStringLiteral("/libqxlib8.so")));
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, InitFailureRaisesEngineErrorText) {
    TempLogDir logs;
    logs.startLogging();
    ScopedEnv dir("SELVANE_SYSTEM_DIR", QFile::encodeName(fakeLibraryDir("init_fails")));
    const ol::OLError e = raised([] { engine::InitializeQxLib(); });
    const QString expected = QStringLiteral("Error in method: InitializeQxLib, QxLib method: QxInit3, error number-13, "
                                            "QxLib description: fake engine error -13");
    EXPECT_EQ(e.number(), ol::kErrGeneral);
    EXPECT_EQ(e.description(), expected);
    EXPECT_EQ(e.source(), QStringLiteral("InitializeQxLib"));
    const QStringList messages = logs.logMessages();
    ASSERT_GE(messages.size(), 3);
    EXPECT_EQ(messages.mid(messages.size() - 3),
              (QStringList{QStringLiteral("QxInit3(1, 8, 0, )"),
                           QStringLiteral("WATCHER: QxInit3 returned, dllResult=-13"), expected}));
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, VersionMismatchRaisesResourceText) {
    ScopedResourceServer texts;
    ScopedEnv dir("SELVANE_SYSTEM_DIR", QFile::encodeName(fakeLibraryDir("version_mismatch")));
    const ol::OLError e = raised([] { engine::InitializeQxLib(); });
    EXPECT_EQ(e.number(), ol::kErrQxLibMinus14);
    EXPECT_EQ(e.description(), texts.server().text(2101));
    EXPECT_FALSE(e.description().isEmpty());
    expectRealLibraryStillBound();
}

TEST_F(QxLibBindingTest, SuccessLinesAndFreshEngineLog) {
    TempLogDir logs;
    logs.startLogging();
    logs.touch(QStringLiteral("QxLib.log"), QByteArray("stale line of an earlier process\n"));

    engine::InitializeQxLib();

    const QString path = ol::systemDirectory() + QStringLiteral("/libqxlib8.so");
    const QStringList messages = logs.logMessages();
    ASSERT_EQ(messages.size(), 6) << messages.join(u'\n').toStdString();
    EXPECT_EQ(messages[0], QStringLiteral("WATCHER: Entering InitializeQxLib"));
    EXPECT_EQ(messages[1], QStringLiteral("WATCHER: About to call LoadLibrary for QxLib with this path: ") + path);
    EXPECT_EQ(messages[2], QStringLiteral("WATCHER: Called LoadLibrary for QxLib, l_QxLibHandle=") +
                               QString::number(engine::QxLibHandle()));
    EXPECT_EQ(messages[3], QStringLiteral("QxInit3(1, 8, 0, )"));
    EXPECT_EQ(messages[4], QStringLiteral("WATCHER: QxInit3 returned, dllResult=0"));
    EXPECT_EQ(messages[5], QStringLiteral("WATCHER: Exiting InitializeQxLib"));

    // The engine's log was started afresh, by the engine itself (flags 8).
    QFile engineLog(logs.file(QStringLiteral("QxLib.log")));
    ASSERT_TRUE(engineLog.open(QIODevice::ReadOnly));
    const QByteArray content = engineLog.readAll();
    EXPECT_FALSE(content.contains("stale line")) << content.constData();
    EXPECT_FALSE(content.isEmpty());
}

TEST_F(QxLibBindingTest, LogQxLibErrorTexts) {
    TempLogDir logs;
    logs.startLogging();
    const QString prefix = QStringLiteral("Error in method: Op, QxLib method: QxSomething, error number");

    // An error code: the engine's text for it.
    const QString plain =
        engine::LogQxLibError(QStringLiteral("Op"), QStringLiteral("QxSomething"), QX_E_NO_LOG, false);
    EXPECT_EQ(plain, prefix + QStringLiteral("-8, QxLib description: no such optimization log"));

    // An exception the engine knows nothing about: no description at all.
    const QString bare = engine::LogQxLibError(QStringLiteral("Op"), QStringLiteral("QxSomething"), 12345, true);
    EXPECT_EQ(bare, prefix + QStringLiteral("12345"));

    // An exception after a real failure: the engine's details of it.
    int32_t trials = 0;
    int32_t steps = 0;
    const int32_t rc = engine::QxLib().QxLogGetRecordCountsWVB("/nonexistent/selvane/no.log", &trials, &steps);
    ASSERT_NE(rc, 0);
    const QString detailed = engine::LogQxLibError(QStringLiteral("Op"), QStringLiteral("QxSomething"), rc, true);
    const QRegularExpression form(
        QStringLiteral("^Error in method: Op, QxLib method: QxSomething, error number-?\\d+, "
                       "QxLib description: Exception Name=\\w+, Method Name=.*, Message=.+$"));
    EXPECT_TRUE(form.match(detailed).hasMatch()) << detailed.toStdString();

    EXPECT_EQ(logs.logMessages(), (QStringList{plain, bare, detailed}));
}

TEST_F(QxLibBindingTest, RaiseQxLibErrorNumbers) {
    ScopedResourceServer texts;
    const ol::OLError general = raised([] {
        engine::RaiseQxLibError(QStringLiteral("PopView"), QStringLiteral("QxPopLock"), QX_E_BAD_HANDLE, false);
    });
    EXPECT_EQ(general.number(), ol::kErrGeneral);
    EXPECT_EQ(general.source(), QStringLiteral("PopView"));
    EXPECT_EQ(general.description(),
              engine::LogQxLibError(QStringLiteral("PopView"), QStringLiteral("QxPopLock"), QX_E_BAD_HANDLE, false));

    const ol::OLError version =
        raised([] { engine::RaiseQxLibError(QStringLiteral("X"), QStringLiteral("QxInit3"), -14, false); });
    EXPECT_EQ(version.number(), ol::kErrQxLibMinus14);
    EXPECT_EQ(version.description(), texts.server().text(2101));
}

// selvane-addin with the Watcher on a private session bus whose only service
// directory activates the built Watcher: the add-in creates its manager
// through activation, honours the marks a test sets through the engine, and
// the Watcher ends with the add-in, whether it released the manager or was
// killed.
#include <csignal>
#include <sys/types.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "AddinProcess.h"
#include "qxlib8.h"

namespace {

using addintest::AddinProcess;

constexpr int kRunMs = 180000;
constexpr int kStateMs = 60000; // activation and the first Initialize load the engine

// A process is gone once it no longer exists or only its zombie is left for
// its parent (the bus daemon) to reap.
bool processAlive(qint64 pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) != "Z";
}

class AddinWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const QString instance =
            QStringLiteral("addin-watcher-%1")
                .arg(QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        // The bus daemon, and the Watcher it activates, inherit this
        // environment: channels and mutexes of this case only, no screen.
        qputenv("SELVANE_INSTANCE", instance.toUtf8());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=" SELVANE_TEST_SESSION_CONF), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        QString address;
        if (m_daemon.waitForStarted(10000)) {
            while (address.isEmpty() && m_daemon.waitForReadyRead(10000))
                address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        }
        if (address.isEmpty()) {
            const QString why = m_daemon.errorString() + u' ' + QString::fromLocal8Bit(m_daemon.readAllStandardError());
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
            GTEST_SKIP() << "no private D-Bus daemon with " SELVANE_TEST_SESSION_CONF ": " << why.toStdString();
        }
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        QxSetProgramMode(0);
        ASSERT_EQ(QxInit3(QX_INTERFACE_VERSION, 0, 0, ""), QX_OK);
    }

    void TearDown() override {
        // A Watcher that outlived its test is ended here, by its id.
        for (qint64 pid : m_watchers)
            if (processAlive(pid))
                ::kill(static_cast<pid_t>(pid), SIGKILL);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000)) {
                m_daemon.kill();
                m_daemon.waitForFinished(5000);
            }
        }
        QxFree();
    }

    std::unique_ptr<AddinProcess> start(const QString& name, QStringList args) {
        auto p = std::make_unique<AddinProcess>(m_dir.path(), name, m_env);
        args << QStringLiteral("--unattended");
        EXPECT_TRUE(p->start(args));
        return p;
    }

    // Waits until the add-in has its Watcher and runs; the Watcher's pid.
    qint64 watcherOf(const AddinProcess& p) {
        EXPECT_TRUE(p.waitForState(QStringLiteral("running"), kStateMs)) << p.output().toStdString();
        const qint64 pid = p.status().value(QStringLiteral("watcher_pid")).toLongLong();
        EXPECT_GT(pid, 0) << "the add-in has no Watcher:\n" << p.output().toStdString();
        if (pid > 0)
            m_watchers << pid;
        return pid;
    }

    bool waitUntilGone(qint64 pid, int ms, qint64* tookMs = nullptr) {
        QElapsedTimer t;
        t.start();
        while (processAlive(pid)) {
            if (t.elapsed() > ms)
                return false;
            QThread::msleep(20);
        }
        if (tookMs)
            *tookMs = t.elapsed();
        return true;
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcessEnvironment m_env;
    QList<qint64> m_watchers;
};

TEST_F(AddinWatcherTest, TheAddinHonoursPauseResumeAndStopMarksWhileTheWatcherWatches) {
    auto p = start(QStringLiteral("marks"), {QStringLiteral("--model"), QStringLiteral("route"),
                                             QStringLiteral("--trials"), QStringLiteral("0")});
    const qint64 watcher = watcherOf(*p);
    ASSERT_GT(watcher, 0);
    const int32_t pop = p->population();
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > 50; }, kStateMs)) << p->output().toStdString();

    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToPause), QX_OK);
    ASSERT_TRUE(p->waitForState(QStringLiteral("paused"), kStateMs)) << p->output().toStdString();
    const int32_t trialsAtPause = QxPopGetTrialCount(pop);
    QThread::msleep(300);
    EXPECT_EQ(QxPopGetTrialCount(pop), trialsAtPause);
    // The Watcher answers a pause the add-in waits in by turning its windows
    // to the paused look; the run stays paused meanwhile.
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusPaused);

    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusOptimizing), QX_OK);
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > trialsAtPause + 20; }, kStateMs));

    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("stopped on request"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("selvane-addin:"))) << out.toStdString();
    // Released, the Watcher ends a few seconds later.
    EXPECT_TRUE(waitUntilGone(watcher, 30000));
}

TEST_F(AddinWatcherTest, TheHostObjectsAnswerOnTheBusAsTheWatcherCallsThem) {
    static int argc = 1;
    static char name[] = "addin_watcher_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    auto p = start(QStringLiteral("host"), {QStringLiteral("--model"), QStringLiteral("route"),
                                            QStringLiteral("--trials"), QStringLiteral("0")});
    ASSERT_GT(watcherOf(*p), 0);
    const QString host = p->status().value(QStringLiteral("host"));
    ASSERT_FALSE(host.isEmpty());
    QDBusConnection bus = QDBusConnection::connectToBus(m_env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")),
                                                        QStringLiteral("addin-watcher-test"));
    ASSERT_TRUE(bus.isConnected());
    auto call = [&](const QString& path, const QString& iface, const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(host, path, iface, method);
        m.setArguments(args);
        const QDBusMessage reply = bus.call(m, QDBus::Block, 10000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply.arguments();
    };
    const QString excel = QStringLiteral("/org/selvane/Host/Excel");
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString excelIface = QStringLiteral("org.selvane.Host.Excel1");
    auto get = [&](const char* property) {
        const QVariantList r = call(excel, props, QStringLiteral("Get"), {excelIface, QString::fromLatin1(property)});
        return r.isEmpty() ? QVariant() : r.first().value<QDBusVariant>().variant();
    };
    auto set = [&](const char* property, const QVariant& v) {
        call(excel, props, QStringLiteral("Set"),
             {excelIface, QString::fromLatin1(property), QVariant::fromValue(QDBusVariant(v))});
    };

    EXPECT_EQ(get("DisplayAlerts"), QVariant(false)); // unattended
    set("StatusBar", QStringLiteral("Selvane is optimizing"));
    EXPECT_EQ(get("StatusBar").toString(), u"Selvane is optimizing");
    set("StatusBar", QString());
    EXPECT_EQ(get("StatusBar").toString(), u"Ready");
    set("WindowEnabled", false);
    EXPECT_EQ(get("WindowEnabled"), QVariant(false));
    set("WindowEnabled", true);
    call(excel, excelIface, QStringLiteral("Run"), {QStringLiteral("Selvane.xla!OptDoEvents")});
    call(excel, excelIface, QStringLiteral("BringToFront"), {});
    // The frontier chart, as the Watcher sends it: the add-in writes its
    // workbook beside the log and answers the chart's path.
    const QVariantList chart =
        call(excel, excelIface, QStringLiteral("AddFrontierChart"),
             {QStringLiteral("Frontier"), QStringLiteral("Risk"), QStringLiteral("Return"), QStringLiteral("0.0%"),
              QStringLiteral("0.00"), QStringList{QStringLiteral("Frontier")},
              QVariant::fromValue(QList<uint>{0xFF0000}), QVariant::fromValue(QList<uint>{2}),
              QVariant::fromValue(QList<double>{0.1, 0.2}), QVariant::fromValue(QList<double>{1.0, 2.0}),
              QStringLiteral("Frontier!E2:M22"), QStringLiteral("Frontier!A1")});
    ASSERT_EQ(chart.size(), 1);
    EXPECT_EQ(chart[0].value<QDBusObjectPath>().path(), u"/org/selvane/Host/Excel/Charts/Chart1");

    const QString application = QStringLiteral("/org/selvane/Host/Application");
    const QString appIface = QStringLiteral("org.selvane.Host.Application1");
    const QVariantList size = call(application, appIface, QStringLiteral("ReportGraphSize"), {2});
    ASSERT_EQ(size.size(), 2);
    EXPECT_GT(size[0].toInt(), 0);
    EXPECT_GT(size[1].toInt(), 0);
    call(application, appIface, QStringLiteral("ReceiveStoppingOptions"), {false, true, true, -5});

    ASSERT_EQ(QxPopSetRunStatus(p->population(), QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("the sheet's window is disabled"))) << out.toStdString();
    const QRegularExpression workbook(QStringLiteral("the frontier chart is in the workbook (\\S+\\.xlsx)"));
    const QRegularExpressionMatch m = workbook.match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    EXPECT_TRUE(QFileInfo(m.captured(1)).size() > 0) << m.captured(1).toStdString();
    QFile::remove(m.captured(1));
    EXPECT_TRUE(out.contains(QStringLiteral("Stopping choices (made in the Watcher)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Solution to keep: last (-5)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Generate optimization summary: no"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Write log of all trials: yes"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Write log of progress steps: yes"))) << out.toStdString();
}

TEST_F(AddinWatcherTest, ANextOptimizationMarkEndsASingleOptimization) {
    auto p = start(QStringLiteral("next"), {QStringLiteral("--model"), QStringLiteral("portfolio"),
                                            QStringLiteral("--trials"), QStringLiteral("0")});
    ASSERT_GT(watcherOf(*p), 0);
    const int32_t pop = p->population();
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > 50; }, kStateMs));
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToMoveToNextOptimization), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("moved on to the next optimization on request"))) << out.toStdString();
}

TEST_F(AddinWatcherTest, AWatcherErrorIsPrintedWithItsNameAndTheRunGoesOnWithoutIt) {
    auto first = start(QStringLiteral("first"), {QStringLiteral("--model"), QStringLiteral("route"),
                                                 QStringLiteral("--trials"), QStringLiteral("0")});
    ASSERT_GT(watcherOf(*first), 0);
    // A second add-in (with channels of its own) while the first one's run
    // goes on: the Watcher serves one optimization at a time.
    QProcessEnvironment env = m_env;
    env.insert(QStringLiteral("SELVANE_INSTANCE"),
               env.value(QStringLiteral("SELVANE_INSTANCE")) + QStringLiteral("-2"));
    AddinProcess second(m_dir.path(), QStringLiteral("second"), env);
    ASSERT_TRUE(second.start({QStringLiteral("--model"), QStringLiteral("route"), QStringLiteral("--trials"),
                              QStringLiteral("500"), QStringLiteral("--unattended")}));
    ASSERT_TRUE(second.finish(kRunMs));
    const QString out = second.output();
    EXPECT_EQ(second.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Initialize failed: org.selvane.SelvaneWatcher8.Error.E8004000A: Cannot "
                                            "optimize, because optimization is under way in another copy of Excel.")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Going on without a Watcher"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("500 trials"))) << out.toStdString();
    EXPECT_EQ(second.status().value(QStringLiteral("watcher_pid")), u"0");

    ASSERT_EQ(QxPopSetRunStatus(first->population(), QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(first->finish(kRunMs));
    EXPECT_EQ(first->exitCode(), 0) << first->output().toStdString();
}

TEST_F(AddinWatcherTest, KillingTheAddinEndsTheWatcherAndANewAddinOptimizesAtOnce) {
    auto first = start(QStringLiteral("killed"), {QStringLiteral("--model"), QStringLiteral("route"),
                                                  QStringLiteral("--trials"), QStringLiteral("0")});
    const qint64 watcher = watcherOf(*first);
    ASSERT_GT(watcher, 0);
    first->killHard();
    // The survival checker looks for the add-in's mutex once a second.
    qint64 took = 0;
    ASSERT_TRUE(waitUntilGone(watcher, 10000, &took)) << "the Watcher outlived its add-in";
    RecordProperty("WatcherEndedAfterKillMs", static_cast<int>(took));

    auto second = start(QStringLiteral("next-addin"), {QStringLiteral("--model"), QStringLiteral("route"),
                                                       QStringLiteral("--trials"), QStringLiteral("1500")});
    const qint64 newWatcher = watcherOf(*second);
    ASSERT_TRUE(second->finish(kRunMs));
    const QString out = second->output();
    EXPECT_EQ(second->exitCode(), 0) << out.toStdString();
    EXPECT_NE(newWatcher, watcher);
    EXPECT_TRUE(out.contains(QStringLiteral("1500 trials"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("could not be set up"))) << out.toStdString();
}

TEST_F(AddinWatcherTest, AnUnattendedRunAnswersItsQuestionsFinishesAndTheWatcherExitsAfterRelease) {
    auto p = start(QStringLiteral("unattended"),
                   {QStringLiteral("--model"), QStringLiteral("feasibility"), QStringLiteral("--no-constraint-solver"),
                    QStringLiteral("--conflicting-rule"), QStringLiteral("--trials"), QStringLiteral("2000")});
    const qint64 watcher = watcherOf(*p);
    ASSERT_GT(watcher, 0);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    // Alerts are off, so the Watcher gives each question's default answer.
    EXPECT_EQ(out.count(QStringLiteral("The Watcher asks.")), 2) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Run although 2 constraints may be inconsistent: yes.")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("The constraint solver helped"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("2000 trials"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("selvane-addin:"))) << out.toStdString();
    EXPECT_TRUE(waitUntilGone(watcher, 30000)) << "the Watcher lives on after its last manager was released";
}

} // namespace

// The Watcher's side of the host objects: a fake add-in exports them from a
// thread of its own (as a separate process would answer), and the connector
// reaches them with bounded waits.
#include <atomic>
#include <mutex>

#include <gtest/gtest.h>

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include "ApplicationHostObject.h"
#include "DBusTypes.h"
#include "DbusHostConnector.h"
#include "ExcelHostObject.h"
#include "PrivateBus.h"
#include "ol/OLError.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Records what the Watcher did to it; answers reads from its fields. Lives
// on the add-in's thread, the test reads it under the lock.
class FakeExcel : public dbusif::ExcelHostObject {
private:
    template <typename F> auto locked(F f) const {
        std::lock_guard lock(m_mutex);
        return f();
    }
    mutable std::mutex m_mutex;
    bool m_alerts = true;
    bool m_interactive = true;
    bool m_enabled = true;
    QString m_status = u"Ready"_s;
    QStringList m_macros;
    QString m_chartRequest;

public:
    bool DisplayAlerts() const override {
        return locked([&] { return m_alerts; });
    }
    void setDisplayAlerts(bool on) override {
        locked([&] { return m_alerts = on; });
    }
    bool Interactive() const override {
        return locked([&] { return m_interactive; });
    }
    void setInteractive(bool on) override {
        locked([&] { return m_interactive = on; });
    }
    QString StatusBar() const override {
        // A stuck host: the read waits until the test lets it go.
        if (m_stuck)
            m_release.acquire();
        return locked([&] { return m_status; });
    }
    void setStatusBar(const QString& text) override {
        locked([&] { return m_status = text; });
    }
    bool WindowEnabled() const override {
        return locked([&] { return m_enabled; });
    }
    void setWindowEnabled(bool on) override {
        locked([&] { return m_enabled = on; });
    }
    void Run(const QString& macro) override {
        locked([&] { return m_macros += macro; });
    }
    void BringToFront() override { ++m_broughtToFront; }
    // Records the chart request as text; a placement of "refuse" gets the
    // base's answer, the one of a host that makes no charts.
    QDBusObjectPath AddFrontierChart(const QString& title, const QString& xAxisTitle, const QString& yAxisTitle,
                                     const QString& xNumberFormat, const QString& yNumberFormat,
                                     const QStringList& seriesNames, const QList<uint>& seriesColors,
                                     const QList<uint>& seriesLengths, const QList<double>& x, const QList<double>& y,
                                     const QString& placementRange, const QString& dataRange) override {
        if (placementRange == u"refuse"_s)
            return ExcelHostObject::AddFrontierChart(title, xAxisTitle, yAxisTitle, xNumberFormat, yNumberFormat,
                                                     seriesNames, seriesColors, seriesLengths, x, y, placementRange,
                                                     dataRange);
        QStringList parts{title, xAxisTitle, yAxisTitle, xNumberFormat, yNumberFormat, seriesNames.join(u',')};
        for (const QList<uint>* list : {&seriesColors, &seriesLengths}) {
            QStringList numbers;
            for (uint n : *list)
                numbers << QString::number(n, 16);
            parts << numbers.join(u',');
        }
        for (const QList<double>* list : {&x, &y}) {
            QStringList numbers;
            for (double d : *list)
                numbers << QString::number(d);
            parts << numbers.join(u',');
        }
        parts << placementRange << dataRange;
        locked([&] { return m_chartRequest = parts.join(u'|'); });
        return QDBusObjectPath(u"/host/excel/charts/1"_s);
    }

    QStringList macros() const {
        return locked([&] { return m_macros; });
    }
    QString chartRequest() const {
        return locked([&] { return m_chartRequest; });
    }

    std::atomic<int> m_broughtToFront{0};
    std::atomic<bool> m_stuck{false};
    mutable QSemaphore m_release;
};

class FakeApplication : public dbusif::ApplicationHostObject {
public:
    int ReportGraphSize(int kind, int& height) override {
        height = 300 + kind;
        return 400 + kind;
    }
    void ReceiveStoppingOptions(bool summary, bool allTrials, bool progressSteps, int keep) override {
        std::lock_guard lock(m_mutex);
        m_received = QStringLiteral("%1 %2 %3 %4").arg(summary).arg(allTrials).arg(progressSteps).arg(keep);
    }
    QString received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    std::mutex m_mutex;
    QString m_received;
};

class HostConnector : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_bus.isUp());
        m_watcher = m_bus.connect(u"watcher"_s);
        m_addin = m_bus.connect(u"addin"_s);
        m_thread.start();
        m_excelObject->moveToThread(&m_thread);
        m_applicationObject->moveToThread(&m_thread);
        ASSERT_TRUE(m_addin.registerObject(u"/host/excel"_s, m_excelObject, QDBusConnection::ExportAdaptors));
        ASSERT_TRUE(
            m_addin.registerObject(u"/host/application"_s, m_applicationObject, QDBusConnection::ExportAdaptors));
    }
    void TearDown() override {
        m_excel.m_release.release(10);
        m_addin.unregisterObject(u"/host/excel"_s);
        m_addin.unregisterObject(u"/host/application"_s);
        // Objects end on their own thread.
        QMetaObject::invokeMethod(
            m_excelObject,
            [this] {
                delete m_excelObject;
                delete m_applicationObject;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    manager::ObjectRef ref(const QString& path) const { return {m_addin.baseService(), path}; }

    dbustest::PrivateBus m_bus;
    QDBusConnection m_watcher{u"none"_s};
    QDBusConnection m_addin{u"none"_s};
    QThread m_thread;
    FakeExcel* m_excelObject = new FakeExcel;
    FakeApplication* m_applicationObject = new FakeApplication;
    FakeExcel& m_excel = *m_excelObject;
    FakeApplication& m_application = *m_applicationObject;
};

} // namespace

TEST_F(HostConnector, ReadsAnswerAndWritesAndCallsArrive) {
    dbusif::DbusHostConnector connector(m_watcher);
    const std::shared_ptr<manager::HostExcel> excel = connector.excel(ref(u"/host/excel"_s));
    ASSERT_TRUE(excel);
    EXPECT_TRUE(excel->displayAlerts());
    EXPECT_EQ(excel->statusBar(), u"Ready"_s);

    excel->setDisplayAlerts(false);
    excel->setInteractive(false);
    excel->setWindowEnabled(false);
    excel->setStatusBar(u"Optimizing ä"_s);
    excel->run(u"Selvane.xla!OptDoEvents"_s);
    excel->bringToFront();
    // Sent without waiting: they arrive in order, so once the last one is
    // there the others are too.
    QTRY_COMPARE_WITH_TIMEOUT(m_excel.m_broughtToFront.load(), 1, 10000);
    EXPECT_FALSE(m_excel.DisplayAlerts());
    EXPECT_FALSE(m_excel.Interactive());
    EXPECT_FALSE(m_excel.WindowEnabled());
    EXPECT_EQ(m_excel.StatusBar(), u"Optimizing ä"_s);
    EXPECT_EQ(m_excel.macros(), QStringList{u"Selvane.xla!OptDoEvents"_s});
    // A read after the writes sees them.
    EXPECT_FALSE(excel->interactive());
    EXPECT_FALSE(excel->windowEnabled());

    const std::shared_ptr<manager::HostApplication> app = connector.application(ref(u"/host/application"_s));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->reportGraphSize(2), QSize(402, 302));
    app->receiveStoppingOptions({true, false, true, -5});
    QTRY_COMPARE_WITH_TIMEOUT(m_application.received(), u"1 0 1 -5"_s, 10000);
}

TEST_F(HostConnector, AGoneOrStuckHostMakesReadsFailInsteadOfHanging) {
    dbusif::DbusHostConnector connector(m_watcher);
    EXPECT_FALSE(connector.excel({})); // Nothing
    // A host that left the bus.
    const std::shared_ptr<manager::HostExcel> gone = connector.excel({u":1.9999"_s, u"/host/excel"_s});
    try {
        gone->displayAlerts();
        ADD_FAILURE() << "a read from a gone host succeeded";
    } catch (const ol::OLError& e) {
        EXPECT_EQ(e.number(), ol::kErrGeneral);
        EXPECT_TRUE(e.description().contains(u"DisplayAlerts"_s)) << qPrintable(e.description());
    }
    EXPECT_FALSE(connector.application({u":1.9999"_s, u"/host/application"_s})->reportGraphSize(2));
    // Writes to it are sent and forgotten.
    EXPECT_NO_THROW(gone->setStatusBar(u"x"_s));

    // A host that does not answer in time.
    m_excel.m_stuck = true;
    const std::shared_ptr<manager::HostExcel> stuck = connector.excel(ref(u"/host/excel"_s));
    EXPECT_THROW(stuck->statusBar(), ol::OLError);
}

TEST_F(HostConnector, TheFrontierChartReachesTheHostWholeAndItsPathComesBack) {
    dbusif::DbusHostConnector connector(m_watcher);
    const std::shared_ptr<manager::HostExcel> excel = connector.excel(ref(u"/host/excel"_s));
    manager::FrontierChart chart{u"Frontier ä"_s, u"Risk"_s, u"Return"_s, u"0.00%"_s, u"#,##0"_s, {}};
    chart.series.push_back({u"First"_s, {0.5, 1.25}, {2.0, -3.0}, 0xFF0000});
    // Unequal x and y: only the points that have both go.
    chart.series.push_back({u"Second"_s, {7.0, 8.0}, {9.0}, 0x00FF7F});
    chart.series.push_back({u"Empty"_s, {}, {}, 0x123456});
    const manager::ObjectRef made = excel->addFrontierChart(chart, u"Sheet1!H2:P20"_s, u"A1"_s);
    EXPECT_EQ(made.service, m_addin.baseService());
    EXPECT_EQ(made.path, u"/host/excel/charts/1"_s);
    EXPECT_EQ(m_excel.chartRequest(), u"Frontier ä|Risk|Return|0.00%|#,##0|First,Second,Empty|ff0000,ff7f,123456|"
                                      u"2,1,0|0.5,1.25,7|2,-3,9|Sheet1!H2:P20|A1"_s);

    // A host that makes no chart, and one that left the bus, raise instead.
    try {
        excel->addFrontierChart(chart, u"refuse"_s, u"A1"_s);
        ADD_FAILURE() << "a refused chart came back";
    } catch (const ol::OLError& e) {
        EXPECT_EQ(e.description(), u"The host cannot create charts."_s);
    }
    EXPECT_THROW(connector.excel({u":1.9999"_s, u"/host/excel"_s})->addFrontierChart(chart, u"A1"_s, u"B1"_s),
                 ol::OLError);
}

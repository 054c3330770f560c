#include "DbusWatcherConnection.h"

#include <cstdio>

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include "DBusTypes.h"
#include "EventWait.h"
#include "factory_proxy.h"
#include "host_application_adaptor.h"
#include "host_excel_adaptor.h"
#include "watchermanager_proxy.h"

namespace addin {

namespace {

// Activation starts a process and its first Initialize loads the engine: a
// cold start on a busy machine takes seconds, so the bounds are generous.
constexpr int kCallMs = 60000;
// ShowWatcherModally returns when a person closes the window.
constexpr int kModalMs = 24 * 60 * 60 * 1000;

QString describe(const QDBusError& e) {
    return QStringLiteral("%1: %2").arg(e.name(), e.message());
}

} // namespace

QString DbusWatcherConnection::excelPath() {
    return QStringLiteral("/org/selvane/Host/Excel");
}

QString DbusWatcherConnection::applicationPath() {
    return QStringLiteral("/org/selvane/Host/Application");
}

DbusWatcherConnection::DbusWatcherConnection(QDBusConnection bus, HostExcelObject& excel,
                                             HostApplicationObject& application)
    : m_bus(std::move(bus)), m_excel(excel), m_application(application) {
    dbusif::registerDBusTypes();
}

DbusWatcherConnection::~DbusWatcherConnection() {
    if (m_manager)
        release();
    if (m_exported) {
        m_bus.unregisterObject(excelPath());
        m_bus.unregisterObject(applicationPath());
    }
}

bool DbusWatcherConnection::await(QDBusPendingCall call, int timeoutMs, const QString& what, QString& error) {
    if (!serveEventsUntil([&call] { return call.isFinished(); }, timeoutMs)) {
        error = QStringLiteral("%1 did not answer within %2 s").arg(what).arg(timeoutMs / 1000);
        return false;
    }
    if (call.isError()) {
        error = QStringLiteral("%1 failed: %2").arg(what, describe(call.error()));
        return false;
    }
    return true;
}

bool DbusWatcherConnection::open(const QList<WatcherInput>& inputs, QString& error) {
    if (!m_bus.isConnected()) {
        error = QStringLiteral("no D-Bus session bus: %1").arg(describe(m_bus.lastError()));
        return false;
    }
    if (!m_exported) {
        // The adaptors belong to the host objects and reach their properties
        // and slots by name.
        new HostExcelAdaptor(&m_excel);
        new HostApplicationAdaptor(&m_application);
        if (!m_bus.registerObject(excelPath(), &m_excel) || !m_bus.registerObject(applicationPath(), &m_application)) {
            error = QStringLiteral("cannot export the host objects: %1").arg(describe(m_bus.lastError()));
            return false;
        }
        m_exported = true;
    }

    FactoryProxy factory(dbusif::kServiceName, dbusif::kFactoryPath, m_bus);
    factory.setTimeout(kCallMs);
    QDBusPendingReply<QDBusObjectPath> created = factory.CreateWatcherManager();
    if (!await(created, kCallMs, QStringLiteral("CreateWatcherManager"), error))
        return false;
    m_manager = std::make_unique<WatcherManagerProxy>(dbusif::kServiceName, created.value().path(), m_bus);
    m_manager->setTimeout(kCallMs);

    if (!await(m_manager->Initialize(), kCallMs, QStringLiteral("Initialize"), error)) {
        release();
        return false;
    }
    for (const WatcherInput& in : inputs) {
        const QByteArray name = in.name.toLatin1();
        m_manager->setProperty(name.constData(), in.value);
        if (m_manager->lastError().isValid()) {
            error = QStringLiteral("setting %1 failed: %2").arg(in.name, describe(m_manager->lastError()));
            release();
            return false;
        }
    }
    const QString me = m_bus.baseService();
    const struct {
        const char* name;
        manager::ObjectRef ref;
    } refs[] = {{"Input_ExcelApplication", {me, excelPath()}},
                {"Input_Application", {me, applicationPath()}},
                {"Input_KitsetCallbacksObject", {}},
                {"Input_NETApplication", {}}};
    for (const auto& r : refs) {
        m_manager->setProperty(r.name, QVariant::fromValue(r.ref));
        if (m_manager->lastError().isValid()) {
            error = QStringLiteral("setting %1 failed: %2")
                        .arg(QString::fromLatin1(r.name), describe(m_manager->lastError()));
            release();
            return false;
        }
    }
    // InitializeForms builds the windows, which may already call the host.
    if (!await(m_manager->InitializeForms(), kCallMs, QStringLiteral("InitializeForms"), error)) {
        release();
        return false;
    }
    return true;
}

int64_t DbusWatcherConnection::watcherProcessId() {
    if (!m_manager)
        return 0;
    QDBusPendingReply<int> pid = m_manager->WatcherProcessID();
    QString error;
    if (!await(pid, kCallMs, QStringLiteral("WatcherProcessID"), error))
        return 0;
    return pid.value();
}

// While the run goes, the Watcher may be calling the add-in's host objects
// at any moment: a blocking property call would leave such a call unanswered
// until its timeout, so these go through the properties interface
// asynchronously like every other call.
QDBusMessage DbusWatcherConnection::propertiesCall(const QString& method) const {
    return QDBusMessage::createMethodCall(dbusif::kServiceName, m_manager->path(),
                                          QStringLiteral("org.freedesktop.DBus.Properties"), method);
}

bool DbusWatcherConnection::waitingAfterStopClicked() {
    if (!m_manager)
        return false;
    QDBusMessage get = propertiesCall(QStringLiteral("Get"));
    get << dbusif::kManagerInterface << QStringLiteral("WaitingAfterStopClicked");
    QDBusPendingReply<QDBusVariant> reply = m_bus.asyncCall(get, kCallMs);
    QString error;
    if (!await(reply, kCallMs, QStringLiteral("reading WaitingAfterStopClicked"), error)) {
        std::fprintf(stderr, "selvane-addin: %s\n", error.toLocal8Bit().constData());
        return false;
    }
    return reply.value().variant().toBool();
}

bool DbusWatcherConnection::setManagerProperty(const QString& name, const QVariant& value, QString& error) {
    if (!m_manager) {
        error = QStringLiteral("no Watcher manager");
        return false;
    }
    QDBusMessage set = propertiesCall(QStringLiteral("Set"));
    set << dbusif::kManagerInterface << name << QVariant::fromValue(QDBusVariant(value));
    return await(m_bus.asyncCall(set, kCallMs), kCallMs, QStringLiteral("setting %1").arg(name), error);
}

void DbusWatcherConnection::setWaitingAfterPauseClicked(bool on) {
    QString error;
    if (m_manager && !setManagerProperty(QStringLiteral("WaitingAfterPauseClicked"), on, error))
        std::fprintf(stderr, "selvane-addin: %s\n", error.toLocal8Bit().constData());
}

void DbusWatcherConnection::setWaitingAfterEFNextOptimizationClicked(bool on) {
    QString error;
    if (m_manager && !setManagerProperty(QStringLiteral("WaitingAfterEFNextOptimizationClicked"), on, error))
        std::fprintf(stderr, "selvane-addin: %s\n", error.toLocal8Bit().constData());
}

bool DbusWatcherConnection::setPopulation(int32_t population, QString& error) {
    return setManagerProperty(QStringLiteral("Input_PopHandle"), QVariant::fromValue<qint32>(population), error);
}

bool DbusWatcherConnection::showWatcherModally(QString& error) {
    if (!m_manager) {
        error = QStringLiteral("no Watcher manager");
        return false;
    }
    m_manager->setTimeout(kModalMs);
    QDBusPendingCall call = m_manager->ShowWatcherModally();
    m_manager->setTimeout(kCallMs);
    return await(call, kModalMs, QStringLiteral("ShowWatcherModally"), error);
}

bool DbusWatcherConnection::efGraphChartInExcel(const QString& placementRange, const QString& dataRange,
                                                QString& chartPath, QString& error) {
    if (!m_manager) {
        error = QStringLiteral("no Watcher manager");
        return false;
    }
    m_manager->setTimeout(kModalMs);
    QDBusPendingReply<manager::ObjectRef> reply =
        m_manager->EFGraphChartInExcel({m_bus.baseService(), excelPath()}, placementRange, dataRange);
    m_manager->setTimeout(kCallMs);
    if (!await(reply, kModalMs, QStringLiteral("EFGraphChartInExcel"), error))
        return false;
    chartPath = reply.value().path;
    return true;
}

bool DbusWatcherConnection::dispose(QString& error) {
    if (!m_manager) {
        error = QStringLiteral("no Watcher manager");
        return false;
    }
    return await(m_manager->Dispose(), kCallMs, QStringLiteral("Dispose"), error);
}

void DbusWatcherConnection::release() {
    if (!m_manager)
        return;
    QString error;
    await(m_manager->Release(), kCallMs, QStringLiteral("Release"), error);
    m_manager.reset();
}

} // namespace addin

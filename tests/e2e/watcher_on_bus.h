// What the end-to-end tests share: the Watcher's D-Bus server and host
// connector in the test process on a private bus, the windows Qt's, and an
// environment that puts the sample add-in on that bus.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "DBusTypes.h"
#include "DbusHostConnector.h"
#include "PrivateBus.h"
#include "ProcessState.h"
#include "QtWindows.h"
#include "WatcherManager.h"
#include "WatcherServer.h"
#include "manager/HostObjects.h"
#include "ol/MessageBoxService.h"
#include "ol/VisualServices.h"

namespace e2etest {

// The manager the add-in's run created in this process, or null.
inline manager::WatcherManager* currentManager() {
    return dynamic_cast<manager::WatcherManager*>(engine::ProcessState::currentManager());
}

// A test's questions and messages go to messageBoxes(), the test's person.
class WatcherOnBusTest : public ::testing::Test {
protected:
    virtual ol::MessageBoxService& messageBoxes() = 0;

    void SetUp() override {
        ASSERT_TRUE(m_bus.isUp());
        watcher::InstallQtWindows();
        ol::VisualServices services = ol::services();
        services.messageBoxes = &messageBoxes();
        ol::setServices(services);
        m_connection = std::make_unique<QDBusConnection>(m_bus.connect(QStringLiteral("watcher")));
        m_connector = std::make_unique<dbusif::DbusHostConnector>(*m_connection);
        manager::setHostConnector(m_connector.get());
        m_server = std::make_unique<dbusif::WatcherServer>(*m_connection);
        m_server->setIdleExitHandler([] {});
        QString error;
        ASSERT_TRUE(m_server->start(&error)) << error.toStdString();
    }
    void TearDown() override {
        m_server.reset();
        manager::setHostConnector(nullptr);
        m_connector.reset();
        // The Watcher's bus name is this process's: given back here, so that
        // the bus's clean-up does not take this process for a Watcher that
        // outlived its test.
        m_connection->unregisterService(dbusif::kServiceName);
        m_connection.reset();
        m_bus.disconnect(QStringLiteral("watcher"));
    }

    // The add-in's environment: this test's bus, its logs in the test's
    // folder.
    QProcessEnvironment addinEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
        env.insert(QStringLiteral("SELVANE_LOG_DIR"), m_dir.path());
        return env;
    }

    dbustest::PrivateBus m_bus;
    QTemporaryDir m_dir;
    std::unique_ptr<QDBusConnection> m_connection;
    std::unique_ptr<dbusif::DbusHostConnector> m_connector;
    std::unique_ptr<dbusif::WatcherServer> m_server;
};

} // namespace e2etest

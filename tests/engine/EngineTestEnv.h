#pragma once

#include <cstdlib>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "DiagnosticLog.h"
#include "ProcessState.h"
#include "ol/OLError.h"
#include "ol/ResourceServer.h"

namespace enginetest {

// Sets an environment variable for the life of the object, then puts the old
// value (or its absence) back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = QByteArray(old);
        qputenv(name, value);
    }
    ~ScopedEnv() { m_old ? qputenv(m_name, *m_old) : qunsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// A private log directory for one test; the diagnostic log is off at its
// start and end.
class TempLogDir {
public:
    TempLogDir() : m_env("SELVANE_LOG_DIR", QFile::encodeName(m_dir.path())) { engine::DiagnosticLog::StopLogging(); }
    ~TempLogDir() { engine::DiagnosticLog::StopLogging(); }

    QString file(const QString& name) const { return m_dir.filePath(name); }
    void touch(const QString& name, const QByteArray& content = QByteArray()) const {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
    // Turns the diagnostic log on as start-up does: marker, then start.
    void startLogging() const {
        touch(engine::DiagnosticLog::kMarkerFileName);
        engine::DiagnosticLog::StartLogging();
    }
    QStringList logLines() const {
        QFile f(file(QStringLiteral("Selvane.log")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        lines.removeLast(); // after the last line break
        return lines;
    }
    // The messages of the lines: what follows "WATCHER, <tick>  <delta> ".
    QStringList logMessages() const {
        QStringList out;
        for (const QString& line : logLines())
            out << line.mid(line.indexOf(u' ', line.indexOf(QStringLiteral("  ")) + 2) + 1);
        return out;
    }

private:
    QTemporaryDir m_dir;
    ScopedEnv m_env;
};

// An English (or other) resource server as the current manager's, for one test.
class ScopedResourceServer {
public:
    explicit ScopedResourceServer(int language = ol::kLanguageEnglish)
        : m_server(std::make_shared<ol::ResourceServer>(language)) {
        engine::ProcessState::setResourceServer(m_server);
    }
    ~ScopedResourceServer() { engine::ProcessState::setResourceServer(nullptr); }
    template <class... Args> QString text(int id, const Args&... args) const { return m_server->text(id, args...); }

private:
    std::shared_ptr<ol::ResourceServer> m_server;
};

// The error f raises; a test failure when it raises nothing.
template <class F> ol::OLError raised(F&& f) {
    try {
        f();
    } catch (const ol::OLError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ol::OLError(0, QString(), QString());
}

} // namespace enginetest

#pragma once

#include <cstdlib>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "DiagnosticLog.h"
#include "ProcessState.h"
#include "ol/ResourceServer.h"

namespace enginetest {

// Sets an environment variable for the life of the object and puts the old
// value (or its absence) back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = QByteArray(old);
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// A private log directory for one test; the diagnostic log is off when it
// starts and is turned off again when it ends.
class TempLogDir {
public:
    TempLogDir() : m_env("SELVANE_LOG_DIR", QFile::encodeName(m_dir.path())) { engine::DiagnosticLog::StopLogging(); }
    ~TempLogDir() { engine::DiagnosticLog::StopLogging(); }

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    void touch(const QString& name, const QByteArray& content = QByteArray()) const {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
    // Turns the diagnostic log on the way start-up does: marker, then start.
    void startLogging() const {
        touch(engine::DiagnosticLog::kMarkerFileName);
        engine::DiagnosticLog::StartLogging();
    }
    // The lines of Selvane.log without their line breaks.
    QStringList logLines() const { return readLines(file(QStringLiteral("Selvane.log"))); }
    // The messages of those lines (what follows "WATCHER, tick  delta ").
    QStringList logMessages() const {
        QStringList out;
        for (const QString& line : logLines()) {
            const qsizetype twoBlanks = line.indexOf(QStringLiteral("  "));
            const qsizetype blank = twoBlanks < 0 ? -1 : line.indexOf(u' ', twoBlanks + 2);
            out << (blank < 0 ? line : line.mid(blank + 1));
        }
        return out;
    }

    static QStringList readLines(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

private:
    QTemporaryDir m_dir;
    ScopedEnv m_env;
};

// An English resource server as the current manager's, for one test.
class ScopedResourceServer {
public:
    explicit ScopedResourceServer(int language = ol::kLanguageEnglish)
        : m_server(std::make_shared<ol::ResourceServer>(language)) {
        engine::ProcessState::setResourceServer(m_server);
    }
    ~ScopedResourceServer() { engine::ProcessState::setResourceServer(nullptr); }
    ScopedResourceServer(const ScopedResourceServer&) = delete;
    ScopedResourceServer& operator=(const ScopedResourceServer&) = delete;

    const ol::ResourceServer& server() const { return *m_server; }

private:
    std::shared_ptr<ol::ResourceServer> m_server;
};

} // namespace enginetest

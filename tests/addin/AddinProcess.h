// The sample add-in run as a child process, as a person runs it: its output
// goes to a file the test reads, its state to a status file the test polls.
#pragma once

#include <csignal>
#include <functional>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>

namespace addintest {

class AddinProcess {
public:
    // `dir` holds the output, status and log files.
    AddinProcess(const QString& dir, const QString& name, const QProcessEnvironment& env)
        : m_outputPath(QDir(dir).filePath(name + QStringLiteral(".out"))),
          m_statusPath(QDir(dir).filePath(name + QStringLiteral(".status"))),
          m_logPath(QDir(dir).filePath(name + QStringLiteral(".qxlog"))) {
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_outputPath);
    }
    ~AddinProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    static QString program() {
        return QDir(QString::fromLocal8Bit(qgetenv("SELVANE_TEST_BIN_DIR"))).filePath(QStringLiteral("selvane-addin"));
    }

    bool start(QStringList args) {
        args << QStringLiteral("--status-file") << m_statusPath << QStringLiteral("--log") << m_logPath;
        m_process.start(program(), args);
        return m_process.waitForStarted(10000);
    }
    // Runs to the end; false when it did not end within `ms`.
    bool finish(int ms) { return m_process.waitForFinished(ms); }
    int exitCode() const { return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1; }
    qint64 pid() const { return m_process.processId(); }
    void killHard() {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

    QString output() const {
        QFile f(m_outputPath);
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }
    const QString& logPath() const { return m_logPath; }

    QMap<QString, QString> status() const {
        QMap<QString, QString> s;
        QFile f(m_statusPath);
        if (!f.open(QIODevice::ReadOnly))
            return s;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0)
                s.insert(line.left(eq), line.mid(eq + 1));
        }
        return s;
    }
    int population() const { return status().value(QStringLiteral("population")).toInt(); }

    // Polls until `done()` or `ms` passed (or the process ended); true when done.
    bool waitFor(const std::function<bool()>& done, int ms) const {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > ms)
                return false;
            QThread::msleep(10);
        }
        return true;
    }
    bool waitForState(const QString& state, int ms) const {
        return waitFor([&] { return status().value(QStringLiteral("state")) == state; }, ms);
    }

private:
    QProcess m_process;
    QString m_outputPath;
    QString m_statusPath;
    QString m_logPath;
};

} // namespace addintest

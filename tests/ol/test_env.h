// Helpers of the ol tests.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include <QString>
#include <QTemporaryDir>

namespace oltest {

// Sets (or with nullptr unsets) an environment variable for the lifetime of
// the object and puts the old value back afterwards.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    EnvVar(const char* name, const QString& value) : EnvVar(name, value.toLocal8Bit().constData()) {}
    ~EnvVar() { m_old ? ::setenv(m_name.c_str(), m_old->c_str(), 1) : ::unsetenv(m_name.c_str()); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A private runtime folder for the named mutexes of one test.
struct PrivateRuntimeDir {
    QTemporaryDir dir;
    EnvVar runtime{"XDG_RUNTIME_DIR", dir.path()};
    EnvVar instance{"SELVANE_INSTANCE", nullptr};
};

} // namespace oltest

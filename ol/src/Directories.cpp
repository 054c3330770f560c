#include "ol/Directories.h"

#include <string>

#include <cerrno>
#include <cstdlib>

#include <dlfcn.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "ol/ResourceServer.h"
#include "ol/SafeFile.h"

namespace ol {

namespace {

QString environment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? QString::fromLocal8Bit(value) : QString();
}

QString homeDirectory() {
    QString home = environment("HOME");
    if (home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            home = QString::fromLocal8Bit(pw->pw_dir);
    }
    return home;
}

// An XDG base directory from its variable, else home + fallback. Relative
// values are invalid by the XDG rules and ignored.
QString xdgDirectory(const char* variable, const QString& fallbackUnderHome) {
    const QString value = environment(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = homeDirectory();
    return home.isEmpty() ? QString() : QDir::cleanPath(home + u'/' + fallbackUnderHome);
}

// Makes dir (mode 0700) when missing and checks that it is a real directory
// (not a symbolic link) of this user's alone. `why` says what is wrong.
bool makePrivateDirectory(const QString& dir, QString* why) {
    std::string problem;
    if (safefile::ensurePrivateDirectory(QFile::encodeName(dir).toStdString(), problem, true))
        return true;
    if (why)
        *why = QString::fromLocal8Bit(problem);
    return false;
}

} // namespace

QString systemDirectory() {
    if (QString dir = environment("SELVANE_SYSTEM_DIR"); !dir.isEmpty())
        return QDir::cleanPath(dir);
    Dl_info info{};
    // Any function of this library names the file it was loaded from.
    if (::dladdr(reinterpret_cast<void*>(&systemDirectory), &info) == 0 || !info.dli_fname)
        return QString();
    const QFileInfo library(QString::fromLocal8Bit(info.dli_fname));
    return library.absolutePath();
}

QString dataDirectory() {
    if (QString dir = environment("SELVANE_DATA_DIR"); !dir.isEmpty())
        return QDir::cleanPath(dir);
    const QString system = systemDirectory();
    if (system.isEmpty())
        return QString();
    return QDir::cleanPath(system + QStringLiteral("/../share/selvane"));
}

QString helpFilePath(int language) {
    const QString data = dataDirectory();
    if (data.isEmpty())
        return QString();
    // German is the one language with pages of its own.
    const QLatin1StringView folder = language == kLanguageGerman ? QLatin1StringView("de") : QLatin1StringView("en");
    return data + QStringLiteral("/help/") + folder + QStringLiteral("/watcher.html");
}

QString logDirectory() {
    if (QString dir = environment("SELVANE_LOG_DIR"); !dir.isEmpty())
        return QDir::cleanPath(dir);
    const QString state = xdgDirectory("XDG_STATE_HOME", QStringLiteral(".local/state"));
    return state.isEmpty() ? QString() : state + QStringLiteral("/selvane");
}

bool ensureLogDirectory(QString* why) {
    const QString dir = logDirectory();
    if (dir.isEmpty()) {
        if (why)
            *why = QStringLiteral("no folder for logs: neither XDG_STATE_HOME nor HOME is set");
        return false;
    }
    std::string problem;
    if (safefile::ensurePrivateDirectory(QFile::encodeName(dir).toStdString(), problem))
        return true;
    if (why)
        *why = QString::fromLocal8Bit(problem);
    return false;
}

QString runFilesDirectory(QString* why) {
    if (!ensureLogDirectory(why))
        return QString();
    const QString dir = logDirectory() + QStringLiteral("/runs");
    return makePrivateDirectory(dir, why) ? dir : QString();
}

QString configDirectory() {
    const QString config = xdgDirectory("XDG_CONFIG_HOME", QStringLiteral(".config"));
    return config.isEmpty() ? QString() : config + QStringLiteral("/selvane");
}

QString runtimeDirectory(QString* why) {
    QString base = environment("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        // /tmp is shared by every user: the folder must be ours, or another
        // user could read or block our locks.
        base = QStringLiteral("/tmp/selvane-%1").arg(::getuid());
        if (!makePrivateDirectory(base, why))
            return QString();
    }
    QString dir = QDir::cleanPath(base) + QStringLiteral("/selvane");
    if (!makePrivateDirectory(dir, why))
        return QString();
    const QString instance = environment("SELVANE_INSTANCE");
    if (!instance.isEmpty()) {
        if (instance.contains(u'/') || instance == u"." || instance == u"..") {
            if (why)
                *why = QStringLiteral("SELVANE_INSTANCE \"%1\" is not a plain name").arg(instance);
            return QString();
        }
        dir += u'/' + instance;
        if (!makePrivateDirectory(dir, why))
            return QString();
    }
    return dir;
}

bool fileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace ol

#include "ol/Directories.h"

#include <cerrno>
#include <cstdlib>

#include <dlfcn.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

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
// (not a symbolic link) owned by this user.
bool makePrivateDirectory(const QString& dir) {
    const QByteArray path = QFile::encodeName(dir);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
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

QString logDirectory() {
    if (QString dir = environment("SELVANE_LOG_DIR"); !dir.isEmpty())
        return QDir::cleanPath(dir);
    const QString state = xdgDirectory("XDG_STATE_HOME", QStringLiteral(".local/state"));
    return state.isEmpty() ? QString() : state + QStringLiteral("/selvane");
}

bool ensureLogDirectory() {
    const QString dir = logDirectory();
    if (dir.isEmpty())
        return false;
    if (QFileInfo(dir).isDir())
        return true;
    return QDir().mkpath(dir) &&
           QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString configDirectory() {
    const QString config = xdgDirectory("XDG_CONFIG_HOME", QStringLiteral(".config"));
    return config.isEmpty() ? QString() : config + QStringLiteral("/selvane");
}

QString runtimeDirectory() {
    QString base = environment("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        // /tmp is shared by every user: the folder must be ours, or another
        // user could read or block our locks.
        base = QStringLiteral("/tmp/selvane-%1").arg(::getuid());
        if (!makePrivateDirectory(base))
            return QString();
    }
    QString dir = QDir::cleanPath(base) + QStringLiteral("/selvane");
    if (!makePrivateDirectory(dir))
        return QString();
    const QString instance = environment("SELVANE_INSTANCE");
    if (!instance.isEmpty()) {
        if (instance.contains(u'/') || instance == u"." || instance == u"..")
            return QString();
        dir += u'/' + instance;
        if (!makePrivateDirectory(dir))
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

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ol/Directories.h"
#include "test_env.h"

using oltest::EnvVar;

namespace {

mode_t permissionsOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 0777;
}

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

TEST(Directories, SystemDirectoryFromEnvironmentElseFolderOfTheLibrary) {
    {
        EnvVar env("SELVANE_SYSTEM_DIR", "/opt/selvane//lib/");
        EXPECT_EQ(ol::systemDirectory(), QStringLiteral("/opt/selvane/lib"));
    }
    EnvVar env("SELVANE_SYSTEM_DIR", nullptr);
    const QString dir = ol::systemDirectory();
    ASSERT_FALSE(dir.isEmpty());
    EXPECT_TRUE(QDir::isAbsolutePath(dir)) << dir.toStdString();
    // The folder this library was loaded from holds the library itself.
    EXPECT_TRUE(ol::fileExists(dir + QStringLiteral("/libselvaneol.so"))) << dir.toStdString();
}

TEST(Directories, LogDirectoryPrecedence) {
    QTemporaryDir home;
    EnvVar h("HOME", home.path());
    {
        EnvVar log("SELVANE_LOG_DIR", "/var/tmp/selvane-logs");
        EnvVar state("XDG_STATE_HOME", "/elsewhere");
        EXPECT_EQ(ol::logDirectory(), QStringLiteral("/var/tmp/selvane-logs"));
    }
    EnvVar log("SELVANE_LOG_DIR", nullptr);
    {
        EnvVar state("XDG_STATE_HOME", "/srv/state");
        EXPECT_EQ(ol::logDirectory(), QStringLiteral("/srv/state/selvane"));
    }
    {
        // A relative XDG value is invalid and ignored.
        EnvVar state("XDG_STATE_HOME", "relative/state");
        EXPECT_EQ(ol::logDirectory(), home.path() + QStringLiteral("/.local/state/selvane"));
    }
    EnvVar state("XDG_STATE_HOME", nullptr);
    EXPECT_EQ(ol::logDirectory(), home.path() + QStringLiteral("/.local/state/selvane"));
    EXPECT_FALSE(QFileInfo::exists(ol::logDirectory())) << "asking for the folder must not create it";
}

TEST(Directories, EnsureLogDirectoryCreatesPrivateFolderWithParents) {
    QTemporaryDir base;
    const QString dir = base.path() + QStringLiteral("/a/b/logs");
    EnvVar log("SELVANE_LOG_DIR", dir);
    ASSERT_TRUE(ol::ensureLogDirectory());
    EXPECT_TRUE(QFileInfo(dir).isDir());
    EXPECT_EQ(permissionsOf(dir), 0700u);
    EXPECT_TRUE(ol::ensureLogDirectory()) << "an existing folder is fine";

    // A file where the folder should be cannot become the log folder.
    const QString blocked = base.path() + QStringLiteral("/file");
    touch(blocked);
    EnvVar log2("SELVANE_LOG_DIR", blocked);
    EXPECT_FALSE(ol::ensureLogDirectory());
}

TEST(Directories, ConfigDirectory) {
    QTemporaryDir home;
    EnvVar h("HOME", home.path());
    {
        EnvVar config("XDG_CONFIG_HOME", "/etc/xdg-user");
        EXPECT_EQ(ol::configDirectory(), QStringLiteral("/etc/xdg-user/selvane"));
    }
    EnvVar config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(ol::configDirectory(), home.path() + QStringLiteral("/.config/selvane"));
}

TEST(Directories, RuntimeDirectoryIsPrivateAndPerInstance) {
    QTemporaryDir runtime;
    EnvVar r("XDG_RUNTIME_DIR", runtime.path());
    {
        EnvVar instance("SELVANE_INSTANCE", nullptr);
        const QString dir = ol::runtimeDirectory();
        EXPECT_EQ(dir, runtime.path() + QStringLiteral("/selvane"));
        EXPECT_EQ(permissionsOf(dir), 0700u);
    }
    {
        EnvVar instance("SELVANE_INSTANCE", "suiteA");
        const QString dir = ol::runtimeDirectory();
        EXPECT_EQ(dir, runtime.path() + QStringLiteral("/selvane/suiteA"));
        EXPECT_EQ(permissionsOf(dir), 0700u);
    }
    {
        EnvVar instance("SELVANE_INSTANCE", "../escape");
        EXPECT_TRUE(ol::runtimeDirectory().isEmpty());
    }
}

TEST(Directories, RuntimeDirectoryRefusesSymlinkedFolder) {
    // Someone who can plant a link where our lock folder goes could make us
    // create lock files elsewhere; such a folder is refused.
    QTemporaryDir runtime;
    QTemporaryDir target;
    ASSERT_TRUE(QFile::link(target.path(), runtime.path() + QStringLiteral("/selvane")));
    EnvVar r("XDG_RUNTIME_DIR", runtime.path());
    EnvVar instance("SELVANE_INSTANCE", nullptr);
    EXPECT_TRUE(ol::runtimeDirectory().isEmpty());
}

TEST(Directories, FileExists) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/MirrowLoggingDetail.txt");
    EXPECT_FALSE(ol::fileExists(file));
    touch(file);
    EXPECT_TRUE(ol::fileExists(file));
    EXPECT_FALSE(ol::fileExists(dir.path())) << "a folder is not a file";
    EXPECT_FALSE(ol::fileExists(QString()));

    const QString link = dir.path() + QStringLiteral("/link.txt");
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(ol::fileExists(link));
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_FALSE(ol::fileExists(link)) << "a dangling link names no file";
}

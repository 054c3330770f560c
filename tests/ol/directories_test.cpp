#include <sys/stat.h>

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

} // namespace

TEST(Directories, SystemDirectoryFromEnvironmentElseFolderOfTheLibrary) {
    {
        EnvVar env("SELVANE_SYSTEM_DIR", "/opt/selvane//lib/");
        EXPECT_EQ(ol::systemDirectory(), QStringLiteral("/opt/selvane/lib"));
    }
    EnvVar env("SELVANE_SYSTEM_DIR", nullptr);
    const QString dir = ol::systemDirectory();
    EXPECT_TRUE(QDir::isAbsolutePath(dir)) << dir.toStdString();
    EXPECT_TRUE(ol::fileExists(dir + QStringLiteral("/libselvaneol.so"))) << dir.toStdString();
}

TEST(Directories, LogAndConfigDirectoryPrecedence) {
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
        EnvVar config("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(ol::logDirectory(), QStringLiteral("/srv/state/selvane"));
        EXPECT_EQ(ol::configDirectory(), QStringLiteral("/srv/config/selvane"));
    }
    {
        // Relative XDG values are invalid and ignored.
        EnvVar state("XDG_STATE_HOME", "relative/state");
        EnvVar config("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(ol::logDirectory(), home.path() + QStringLiteral("/.local/state/selvane"));
        EXPECT_EQ(ol::configDirectory(), home.path() + QStringLiteral("/.config/selvane"));
    }
    EXPECT_FALSE(QFileInfo::exists(ol::logDirectory())) << "asking for the folder must not create it";
}

TEST(Directories, EnsureLogDirectoryCreatesPrivateFolderWithParents) {
    QTemporaryDir base;
    const QString dir = base.path() + QStringLiteral("/a/b/logs");
    EnvVar log("SELVANE_LOG_DIR", dir);
    ASSERT_TRUE(ol::ensureLogDirectory());
    EXPECT_EQ(permissionsOf(dir), 0700u);
    EXPECT_TRUE(ol::ensureLogDirectory()) << "an existing folder is fine";

    const QString blocked = base.path() + QStringLiteral("/file");
    QFile(blocked).open(QIODevice::WriteOnly);
    EnvVar log2("SELVANE_LOG_DIR", blocked);
    EXPECT_FALSE(ol::ensureLogDirectory()) << "a file where the folder should be";
}

TEST(Directories, RuntimeDirectoryIsPrivatePerInstanceAndNeverALink) {
    QTemporaryDir runtime;
    EnvVar r("XDG_RUNTIME_DIR", runtime.path());
    {
        EnvVar instance("SELVANE_INSTANCE", nullptr);
        EXPECT_EQ(ol::runtimeDirectory(), runtime.path() + QStringLiteral("/selvane"));
    }
    {
        EnvVar instance("SELVANE_INSTANCE", "suiteA");
        const QString dir = ol::runtimeDirectory();
        EXPECT_EQ(dir, runtime.path() + QStringLiteral("/selvane/suiteA"));
        EXPECT_EQ(permissionsOf(dir), 0700u);
    }
    EnvVar instance("SELVANE_INSTANCE", "../escape");
    EXPECT_TRUE(ol::runtimeDirectory().isEmpty());

    // A link planted where the lock folder goes would send our locks elsewhere.
    QTemporaryDir other;
    QTemporaryDir target;
    ASSERT_TRUE(QFile::link(target.path(), other.path() + QStringLiteral("/selvane")));
    EnvVar r2("XDG_RUNTIME_DIR", other.path());
    EnvVar noInstance("SELVANE_INSTANCE", nullptr);
    EXPECT_TRUE(ol::runtimeDirectory().isEmpty());
}

TEST(Directories, FileExists) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/MirrowLoggingDetail.txt");
    EXPECT_FALSE(ol::fileExists(file));
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_TRUE(ol::fileExists(file));
    EXPECT_FALSE(ol::fileExists(dir.path())) << "a folder is not a file";
    EXPECT_FALSE(ol::fileExists(QString()));

    const QString link = dir.path() + QStringLiteral("/link.txt");
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(ol::fileExists(link));
    QFile::remove(file);
    EXPECT_FALSE(ol::fileExists(link)) << "a dangling link names no file";
}

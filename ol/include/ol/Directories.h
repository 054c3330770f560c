#pragma once

#include <QString>

namespace ol {

// The folder the libraries were installed into, where libqxlib8.so and
// libvntlib8.so are loaded from: $SELVANE_SYSTEM_DIR when set, else the
// folder this library (libselvaneol.so) was loaded from (in a build tree,
// build/<preset>/lib). Empty when neither can be found. No trailing slash.
QString systemDirectory();

// The folder of the run-time data files (the help pages): $SELVANE_DATA_DIR
// when set, else share/selvane beside the system directory
// (<prefix>/lib -> <prefix>/share/selvane; the build tree copies the data
// to build/<preset>/share/selvane). Empty when there is no system
// directory. The folder may not exist. No trailing slash.
QString dataDirectory();

// The Watcher's HTML help file for a user-interface language (a Windows
// primary language number): <data directory>/help/de/watcher.html for
// German, help/en/watcher.html for every other language. The file may not
// exist; the caller tests it.
QString helpFilePath(int language);

// The folder of the diagnostic logs and their marker file: $SELVANE_LOG_DIR,
// else $XDG_STATE_HOME/selvane, else ~/.local/state/selvane. Only absolute
// $XDG_STATE_HOME values count, as the XDG rules say. The folder may not
// exist yet; ensureLogDirectory() creates it.
QString logDirectory();

// Creates the log directory (and its parents) when missing, readable by the
// user only. True when it exists afterwards as a folder of the user's own that
// no other user can write to; else `why` says what is wrong.
bool ensureLogDirectory(QString* why = nullptr);

// The folder for the files of a run that no setting names (the sample
// add-in's log and its progress graph): the log directory, made private.
// Never a folder shared by all users such as /tmp, where another user could
// plant links. Empty with `why` set when it cannot be made safe.
QString runFilesDirectory(QString* why = nullptr);

// The folder of the user's settings of this system: $XDG_CONFIG_HOME/selvane,
// else ~/.config/selvane.
QString configDirectory();

// The folder of the lock files of named mutexes: <runtime dir>/selvane, where
// the runtime dir is $XDG_RUNTIME_DIR, else /tmp/selvane-<uid>. When
// $SELVANE_INSTANCE is set (the test runner gives each suite its own), the
// folder is <runtime dir>/selvane/<instance>, so that concurrent test suites
// never see each other's mutexes. Created on first use with mode 0700; a
// /tmp fallback (or any of these folders) that is not a directory of this
// user's alone (owned by the user, mode 0700) is refused. Empty when the
// folder cannot be made safe; `why` then says what is wrong and what to do.
QString runtimeDirectory(QString* why = nullptr);

// The file test: true when path names an existing file (not a directory);
// symbolic links are followed.
bool fileExists(const QString& path);

} // namespace ol

#pragma once

#include <QString>

namespace ol {

// A mutex with a name that every process of the user can see: a flock on
// <runtimeDirectory()>/<name>.lock. It "exists" while some process holds it.
// Held exclusively, one holder at a time; held shared, by any number of
// processes at once (the add-ins' survival mutex: the Watcher only asks
// whether any holder still lives). The kernel drops the lock when the holder's file is closed, so
// a process that crashes loses its mutexes at once and the others see it
// gone on their next look. The names are the system's own
// ("MirrowSurvivalMutex_OLProcessVersion8").
class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    NamedMutex(NamedMutex&& other) noexcept;
    NamedMutex& operator=(NamedMutex&& other) noexcept;

    enum class Mode { Exclusive, Shared };

    // Takes the mutex and holds it until release() or destruction. False when
    // another holder has it in a way that excludes `mode` (another process,
    // or another NamedMutex of this process), when the name is not valid, or
    // when the lock file cannot be opened; `why` then says which. A mutex
    // already held by this object is released first.
    bool create(const QString& name, Mode mode = Mode::Exclusive, QString* why = nullptr);
    // Lets the mutex go; nothing happens when it is not held.
    void release() noexcept;

    bool isHeld() const noexcept { return m_fd >= 0; }
    const QString& name() const noexcept { return m_name; }

    // True while some process (this one included) holds the mutex. Never
    // takes it: a probe that got the lock gives it back at once.
    static bool exists(const QString& name);

    // Names are non-empty, not "." or "..", and hold no '/' or NUL.
    static bool isValidName(const QString& name);

private:
    int m_fd = -1;
    QString m_name;
};

} // namespace ol

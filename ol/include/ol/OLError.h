#pragma once

#include <cstdint>
#include <exception>

#include <QByteArray>
#include <QString>

namespace ol {

// Error numbers that reach a caller. They travel unchanged to D-Bus clients
// (as the 8 hex digits of the error name), so their values never change.
inline constexpr uint32_t kErrGeneral = 0x8004000A;         // general failure, the text says what
inline constexpr uint32_t kErrLibraryNotFound = 0x8004000B; // a library not found or not loadable
inline constexpr uint32_t kErrTimer = 0x80040013;           // a timer could not be started
inline constexpr uint32_t kErrInvalidArgument = 0x80040014; // the text names the argument
inline constexpr uint32_t kErrQxLibMinus14 = 0x80040857;    // the engine's error code -14

// A numbered error with its text and the name of the operation that raised
// it. Every error that leaves an operation of the system is one of these.
class OLError : public std::exception {
public:
    OLError(uint32_t number, QString source, QString description);

    uint32_t number() const noexcept { return m_number; }
    const QString& source() const noexcept { return m_source; }
    const QString& description() const noexcept { return m_description; }

    // The number as 8 upper-case hex digits ("8004000A").
    QString hexNumber() const;

    // The description in UTF-8.
    const char* what() const noexcept override;

private:
    uint32_t m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};

// Raises an OLError. The one way the system's operations report failures.
[[noreturn]] void raiseError(uint32_t number, const QString& source, const QString& description);

} // namespace ol

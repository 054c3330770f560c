#pragma once

#include <cstdint>
#include <span>

#include <QString>

#include "ol/OLError.h"

namespace engine {

// The plain-text trace for technical support: "Selvane.log" in the log
// directory, written only when the marker file "MirrowLoggingDetail.txt" is
// there. Off, it costs callers one Boolean test; on, every line is one
// open/append/close so that nothing holds the file between lines and a crash
// loses nothing that was written.
//
// A line is "WATCHER, " + tick + two blanks + milliseconds since the previous
// line + one blank + message, where the tick is the monotonic clock in
// milliseconds as a 32-bit count (it wraps after 49.7 days, like the
// system tick counter it stands for).
class DiagnosticLog {
public:
    static inline const QString kMarkerFileName = QStringLiteral("MirrowLoggingDetail.txt");

    // True when the marker exists in the log directory, or the marker's name
    // with ".txt" doubled (what a file manager that hides extensions makes of
    // a file named "MirrowLoggingDetail.txt").
    static bool IsLoggingDetailOn();

    // Turns logging on for the life of the process; the first line's delta is
    // measured from here.
    static void StartLogging();

    // The one test every caller makes before it builds a costly message.
    static bool isOn() noexcept { return s_on; }

    // Writes one line. The message is rewritten to the line written, so
    // callers pass a scratch string; nothing happens when logging is off.
    static void WriteLine(QString& message);
    static void WriteLine(QString&& message) { WriteLine(message); }

    // "Array " + name + ": " and each element preceded by two blanks, as one
    // line; nothing happens when logging is off.
    static void WriteArray(const QString& name, std::span<const double> values);
    static QString ArrayText(const QString& name, std::span<const double> values);

    // "Error in <operation>: <description> (0x<number>)": how an operation
    // that catches its own errors logs one.
    static QString ErrorText(const QString& operation, const ol::OLError& error);
    static void WriteError(const QString& operation, const ol::OLError& error);

    // The log file: "Selvane" + suffix (trimmed of blanks) + ".log" in the
    // log directory.
    static QString LogPath(const QString& suffix = QString());

    // The tick of the log lines: milliseconds of the monotonic clock.
    static uint32_t tickNow() noexcept;

    // A double as the log shows it: up to 15 significant digits, no trailing
    // zeros, "E" exponents of two digits at least ("1.5", "1E-05", "1E+20").
    static QString NumberText(double value);

    // Turns logging off again. The Watcher never does (logging stays on for
    // the life of the process); tests use it to start each case afresh.
    static void StopLogging() noexcept;

private:
    static inline bool s_on = false;
    static inline uint32_t s_lastTick = 0;
    static inline QString s_path;
};

} // namespace engine

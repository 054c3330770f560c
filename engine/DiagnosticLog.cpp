#include "DiagnosticLog.h"

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "ol/Directories.h"
#include "ol/SafeFile.h"
#include "ol/TextUtils.h"

namespace engine {

bool DiagnosticLog::IsLoggingDetailOn() {
    const QString marker = ol::logDirectory() + u'/' + kMarkerFileName;
    return ol::fileExists(marker) || ol::fileExists(marker + QStringLiteral(".txt"));
}

void DiagnosticLog::StartLogging() {
    s_on = true;
    s_lastTick = tickNow();
    s_path = LogPath();
}

void DiagnosticLog::StopLogging() noexcept {
    s_on = false;
}

QString DiagnosticLog::LogPath(const QString& suffix) {
    return ol::logDirectory() + QStringLiteral("/Selvane") + ol::trimBlanks(suffix) + QStringLiteral(".log");
}

uint32_t DiagnosticLog::tickNow() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void DiagnosticLog::WriteLine(QString& message) {
    if (!s_on)
        return;
    const uint32_t t1 = tickNow();
    const uint32_t t2 = tickNow();
    // Unsigned subtraction keeps the delta right across the 32-bit wrap.
    const uint32_t delta = t2 - s_lastTick;
    message = QStringLiteral("WATCHER, ") + QString::number(t1) + QStringLiteral("  ") + QString::number(delta) + u' ' +
              message;
    s_lastTick = tickNow();

    // One write() of the whole line: with O_APPEND it lands whole even when
    // the add-in appends to a log of its own in the same folder.
    const QByteArray bytes = message.toUtf8() + '\n';
    // Never through a link another user planted, never into a file of theirs.
    std::string why;
    const int fd = ol::safefile::openForAppend(QFile::encodeName(s_path).toStdString(), why);
    if (fd < 0)
        return;
    ol::safefile::writeAll(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    ::close(fd);
}

QString DiagnosticLog::ArrayText(const QString& name, std::span<const double> values) {
    QString text = QStringLiteral("Array ") + name + QStringLiteral(": ");
    for (double v : values)
        text += QStringLiteral("  ") + NumberText(v);
    return text;
}

void DiagnosticLog::WriteArray(const QString& name, std::span<const double> values) {
    if (!s_on)
        return;
    WriteLine(ArrayText(name, values));
}

QString DiagnosticLog::ErrorText(const QString& operation, const ol::OLError& error) {
    return QStringLiteral("Error in ") + operation + QStringLiteral(": ") + error.description() +
           QStringLiteral(" (0x") + error.hexNumber() + u')';
}

void DiagnosticLog::WriteError(const QString& operation, const ol::OLError& error) {
    if (!s_on)
        return;
    WriteLine(ErrorText(operation, error));
}

QString DiagnosticLog::NumberText(double value) {
    // 15 significant digits without trailing zeros, exponents as "1E+20" and
    // "1E-05", the way the host prints a double.
    return QString::number(value, 'G', 15);
}

} // namespace engine

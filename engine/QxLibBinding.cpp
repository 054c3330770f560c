#include "QxLibBinding.h"

#include <dlfcn.h>

#include <QFile>

#include "DiagnosticLog.h"
#include "ResourceStrings.h"
#include "ol/Directories.h"
#include "ol/OLError.h"

namespace engine {

static_assert(QX_INTERFACE_VERSION == 1, "the Watcher speaks interface version 1 of the engine library");

namespace {

QxLibApi g_api;
bool g_bound = false;
void* g_handle = nullptr;

constexpr int32_t kQxCodeVersion = -14;
constexpr int16_t kResourceVersionMismatch = 2101;
constexpr int32_t kTextCapacity = 1024;

void log(QString line) {
    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(line);
}

QString fromBuffer(const QByteArray& buffer) {
    return QString::fromUtf8(buffer.constData());
}

QString describe(const QxLibApi& api, int32_t errorNumber, bool isException) {
    if (isException) {
        QByteArray name(kTextCapacity, '\0');
        QByteArray method(kTextCapacity, '\0');
        QByteArray message(kTextCapacity, '\0');
        if (api.QxGetExceptionInfoWVB(errorNumber, name.data(), kTextCapacity, method.data(), kTextCapacity,
                                      message.data(), kTextCapacity) == 0)
            return QString();
        return QStringLiteral("Exception Name=") + fromBuffer(name) + QStringLiteral(", Method Name=") +
               fromBuffer(method) + QStringLiteral(", Message=") + fromBuffer(message);
    }
    QByteArray text(kTextCapacity, '\0');
    // The engine's error texts are keyed by 16-bit codes; a text cut short by
    // the capacity is still worth showing, so the result is not checked.
    api.QxGetErrorTextWVB(static_cast<int16_t>(errorNumber), text.data(), kTextCapacity);
    return fromBuffer(text);
}

QString errorText(const QxLibApi& api, const QString& method, const QString& qxMethod, int32_t errorNumber,
                  bool isException) {
    QString text = QStringLiteral("Error in method: ") + method + QStringLiteral(", QxLib method: ") + qxMethod +
                   QStringLiteral(", error number") + QString::number(errorNumber);
    const QString description = describe(api, errorNumber, isException);
    if (!description.isEmpty())
        text += QStringLiteral(", QxLib description: ") + description;
    return text;
}

[[noreturn]] void raiseEngineError(const QxLibApi& api, const QString& method, const QString& qxMethod,
                                   int32_t errorNumber, bool isException) {
    const QString text = errorText(api, method, qxMethod, errorNumber, isException);
    log(text);
    if (errorNumber == kQxCodeVersion)
        ol::raiseError(ol::kErrQxLibMinus14, method, GetResourceString(kResourceVersionMismatch));
    ol::raiseError(ol::kErrGeneral, method, text);
}

} // namespace

const QxLibApi& QxLib() {
    if (!g_bound)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("QxLib"), QStringLiteral("The engine library is not loaded."));
    return g_api;
}

bool IsQxLibBound() noexcept {
    return g_bound;
}

quintptr QxLibHandle() noexcept {
    return reinterpret_cast<quintptr>(g_handle);
}

void InitializeQxLib() {
    InitializeQxLib(ol::systemDirectory());
}

void InitializeQxLib(const QString& systemDirectory) {
    const QString source = QStringLiteral("InitializeQxLib");
    log(QStringLiteral("WATCHER: Entering InitializeQxLib"));

    if (systemDirectory.isEmpty())
        ol::raiseError(ol::kErrLibraryNotFound, source,
                       QStringLiteral("WATCHER: Could not find Mirrow System directory."));

    const QString path = systemDirectory + QStringLiteral("/libqxlib8.so");
    log(QStringLiteral("WATCHER: About to call LoadLibrary for QxLib with this path: ") + path);
    // RTLD_NOW: a library with an unresolvable dependency fails here, at
    // start-up, not at its first call. RTLD_LOCAL: its symbols never
    // interpose on anything else loaded into the Watcher.
    void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    log(QStringLiteral("WATCHER: Called LoadLibrary for QxLib, l_QxLibHandle=") +
        QString::number(reinterpret_cast<quintptr>(handle)));
    if (handle == nullptr)
        ol::raiseError(ol::kErrLibraryNotFound, source,
                       QStringLiteral("WATCHER: Could not load the file ") + path + u'.');

    QxLibApi api;
    const char* missing = nullptr;
#define SELVANE_QXLIB_RESOLVE_(name)                                                                                   \
    if (!missing) {                                                                                                    \
        api.name = reinterpret_cast<decltype(api.name)>(::dlsym(handle, #name));                                       \
        if (!api.name)                                                                                                 \
            missing = #name;                                                                                           \
    }
    SELVANE_QXLIB_FUNCTIONS(SELVANE_QXLIB_RESOLVE_)
#undef SELVANE_QXLIB_RESOLVE_
    if (missing) {
        ::dlclose(handle);
        ol::raiseError(ol::kErrLibraryNotFound, source,
                       QStringLiteral("WATCHER: The file ") + path + QStringLiteral(" lacks the function ") +
                           QLatin1StringView(missing) + u'.');
    }

    api.QxSetProgramMode(0);

    int32_t flags = 0;
    if (DiagnosticLog::isOn()) {
        // The engine appends to its own log; a fresh one per Watcher process
        // keeps a support case's two logs about the same run.
        QFile::remove(ol::logDirectory() + QStringLiteral("/QxLib.log"));
        flags = QX_INIT_LOG;
    }

    log(QStringLiteral("QxInit3(1") + QStringLiteral(", ") + QString::number(flags) + QStringLiteral(", 0, ") +
        QStringLiteral(")"));
    const int32_t result = api.QxInit3(QX_INTERFACE_VERSION, flags, 0, "");
    log(QStringLiteral("WATCHER: QxInit3 returned, dllResult=") + QString::number(result));
    if (result != 0)
        raiseEngineError(api, source, QStringLiteral("QxInit3"), result, false);

    g_api = api;
    g_handle = handle;
    g_bound = true;
    log(QStringLiteral("WATCHER: Exiting InitializeQxLib"));
}

QString QxLibErrorDescription(int32_t errorNumber, bool isException) {
    return describe(QxLib(), errorNumber, isException);
}

QString LogQxLibError(const QString& method, const QString& qxMethod, int32_t errorNumber, bool isException) {
    const QString text = errorText(QxLib(), method, qxMethod, errorNumber, isException);
    log(text);
    return text;
}

void RaiseQxLibError(const QString& method, const QString& qxMethod, int32_t errorNumber, bool isException) {
    raiseEngineError(QxLib(), method, qxMethod, errorNumber, isException);
}

} // namespace engine

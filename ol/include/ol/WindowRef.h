#pragma once

#include <QObject>
#include <QPointer>
#include <QtGlobal>

namespace ol {

// A window as the visual services see it: either one of this process's
// windows (a QObject, in practice a QWidget, which the services' Qt
// implementation casts) or a window of the host known only by its number
// (the host's windows live in another process and are reached through it).
// A local window that is destroyed turns the reference null.
class WindowRef {
public:
    WindowRef() = default;
    static WindowRef local(QObject* window) {
        WindowRef w;
        w.m_object = window;
        return w;
    }
    static WindowRef host(qint64 handle) {
        WindowRef w;
        w.m_hostHandle = handle;
        return w;
    }

    bool isNull() const { return m_object.isNull() && m_hostHandle == 0; }
    bool isLocal() const { return !m_object.isNull(); }
    bool isHost() const { return m_object.isNull() && m_hostHandle != 0; }
    QObject* object() const { return m_object.data(); }
    qint64 hostHandle() const { return m_hostHandle; }

    friend bool operator==(const WindowRef& a, const WindowRef& b) {
        return a.m_object.data() == b.m_object.data() && a.m_hostHandle == b.m_hostHandle;
    }

private:
    QPointer<QObject> m_object;
    qint64 m_hostHandle = 0;
};

} // namespace ol

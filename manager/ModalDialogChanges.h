#pragma once

#include <cstdint>
#include <memory>

#include "HostObjects.h"
#include "ol/WindowRef.h"

namespace manager {

// The changes around one modal display of a Watcher window over the host:
// the host's alerts off, its main window disabled, the dialog tied to it and
// the process's modal-dialog flag set (the survival checker then polls fast
// and keeps the host responsive). Initialize before the display, Restore
// once after it; nested displays restore correctly when Restore calls come
// in the reverse order of the Initialize calls.
class ModalDialogChanges {
public:
    // excel: the host's application object, which also stands for its main
    // window (the host's windows are reached only through it); may be null,
    // then only the process's flag and the tie change. excelAppWinHandle: the
    // host's number for its main window. dialog: the window about to be
    // shown; a null reference leaves the window service alone.
    // Errors of the host's calls reach the caller.
    void Initialize(std::shared_ptr<HostExcel> excel, int64_t excelAppWinHandle, ol::WindowRef dialog = {});
    // Puts the modal-dialog flag back, enables the host's window again when
    // Initialize found it enabled, and brings the host's window to the front.
    // The host's alerts stay off.
    void Restore();

    bool savedModalFlag() const { return m_SavedModalFlag; }
    bool excelWasEnabled() const { return m_ExcelWasEnabled; }

private:
    bool m_SavedModalFlag = false;
    // Initialize got as far as saving the flag; only then does Restore put
    // it back (a failure before must not clear an outer display's flag).
    bool m_flagSaved = false;
    int64_t m_ExcelHwnd = 0;
    bool m_ExcelWasEnabled = false;
    // The host's main window is reached only through its application object,
    // so Restore needs it to enable the window and bring it to the front.
    std::shared_ptr<HostExcel> m_Excel;
};

} // namespace manager

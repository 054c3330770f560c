#include "ModalDialogChanges.h"

#include <utility>

#include "ProcessState.h"
#include "SurvivalChecker.h"
#include "ol/VisualServices.h"

namespace manager {

using engine::ProcessState;

void ModalDialogChanges::Initialize(std::shared_ptr<HostExcel> excel, int64_t excelAppWinHandle, ol::WindowRef dialog) {
    m_ExcelHwnd = excelAppWinHandle;
    m_Excel = std::move(excel);
    // The host's own alerts would pop up behind the modal window; they stay
    // off afterwards, as the add-in sets them again itself.
    if (m_Excel && m_Excel->displayAlerts())
        m_Excel->setDisplayAlerts(false);
    m_SavedModalFlag = ProcessState::modalDialogUp();
    m_flagSaved = true;
    if (!dialog.isNull())
        ol::windowService().tieToOwner(dialog, ol::WindowRef::host(m_ExcelHwnd));
    ProcessState::setModalDialogUp(true);
    // The host's window takes no input while the Watcher window is modal.
    // Like the other window calls, a failure here is ignored.
    m_ExcelWasEnabled = false;
    if (m_Excel) {
        try {
            m_ExcelWasEnabled = m_Excel->windowEnabled();
            if (m_ExcelWasEnabled)
                m_Excel->setWindowEnabled(false);
        } catch (...) {
        }
    }
    // The survival checker runs only in a process started by automation;
    // restarted now, it polls at its modal-dialog rate.
    if (ProcessState::startedByAutomation())
        engine::SurvivalChecker::RestartPollingTimer();
}

void ModalDialogChanges::Restore() {
    if (m_flagSaved)
        ProcessState::setModalDialogUp(m_SavedModalFlag);
    if (!m_Excel)
        return;
    try {
        if (m_ExcelWasEnabled)
            m_Excel->setWindowEnabled(true);
    } catch (...) {
    }
    try {
        m_Excel->bringToFront();
    } catch (...) {
    }
}

} // namespace manager

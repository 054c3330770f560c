#pragma once

#include <cstdint>

#include <QString>

#include "ol/WindowRef.h"

namespace engine {

// What the survival checker needs of the current manager while a modal
// dialog or a question of the Watcher is up. The manager implements it (it
// holds the host's objects); the foreground window and bringing a window to
// the front go through the shared library's window service.
class SurvivalHost {
public:
    virtual ~SurvivalHost() = default;

    // The manager's Input_ExcelApplication is set.
    virtual bool hasExcelApplication() = 0;
    // Runs a macro of the add-in in the host ("Selvane.xla!OptDoEvents").
    virtual void runExcelMacro(const QString& macro) = 0;
    // Input_ExcelMajorVersion.
    virtual int32_t excelMajorVersion() = 0;
    // Input_ExcelAppHwnd: the host's number for its main window, 0 if none.
    virtual int64_t excelAppWindow() = 0;
    // A top-level window with this exact title (the Watcher's question
    // windows are titled "Selvane"); null when there is none.
    virtual ol::WindowRef findTopLevelWindow(const QString& title) = 0;
};

} // namespace engine

#pragma once

// Pages on a frame of their own, with the real manager of a FormProgressTest
// run: what the efficient-frontier window will do with them, and what lets a
// test drive one page without the window's timer.

#include <QFrame>
#include <QLabel>

#include "formprogress_fixture.h"
#include "pages/WatcherPage.h"
#include "run_log.h"

namespace pagetest {

class PageTest : public formprogresstest::FormProgressTest {
protected:
    watcher::PageContext pageContext() {
        watcher::PageContext context;
        context.manager = &m_manager;
        context.window = &m_frame;
        context.settingControls = &m_settingControls;
        context.dialogConfiguration = [this] { return m_configuration; };
        return context;
    }
    QString logPath() const { return m_manager.Input_LogPath(); }

    QFrame m_frame;
    QLabel m_status;
    bool m_settingControls = false;
    int32_t m_configuration = 1;
};

} // namespace pagetest

#pragma once

#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include "ol/VisualServices.h"

namespace ol {

// One call received by the scripted services.
struct ScriptedCall {
    QString operation; // the name of the service function ("askYesNo", "setCaption", ...)
    QString title;     // box title; empty for other calls
    QString text;      // box text, caption, help file or error description
    QStringList items; // button captions or menu item captions
    WindowRef window;  // the owner or the window the call is about
    WindowRef other;   // the owner given to tieToOwner
    qint64 number = 0; // message kind, help context or error number
};

// Visual services for tests: every call is recorded, questions and menus
// are answered from queues filled by the test, and the screen, foreground
// window and help result are fixed values. A question or menu without a
// queued answer raises kErrGeneral ("No scripted answer for: <text>"), so a
// test never hangs on an unexpected box.
class ScriptedVisualServices final : public MessageBoxService,
                                     public PopupMenuService,
                                     public ScreenService,
                                     public WindowService,
                                     public HelpViewer,
                                     public ErrorReporter {
public:
    ScriptedVisualServices();

    // All six services pointing at this object, ready for setServices() or
    // ScopedVisualServices.
    VisualServices asServices();

    void queueYesNo(bool yes) { m_yesNo.push_back(yes); }
    void queueHelpQuestionButton(int button) { m_helpButtons.push_back(button); }
    void queuePopupChoice(std::optional<int> index) { m_popupChoices.push_back(index); }
    // Answers still waiting in the queues (0 when the test's script was used up).
    int pendingAnswers() const;

    void setWorkArea(const WorkArea& area) { m_workArea = area; }
    void setScaleFactor(double factor) { m_scaleFactor = factor; }
    void setForegroundWindow(WindowRef window) { m_foreground = window; }
    void setHelpResult(bool opened) { m_helpResult = opened; }

    const std::vector<ScriptedCall>& calls() const { return m_calls; }
    std::vector<ScriptedCall> callsOf(const QString& operation) const;
    void clearCalls() { m_calls.clear(); }
    // The last caption set for window; empty when none was.
    QString caption(WindowRef window) const;

    void showMessage(const MessageRequest& request) override;
    bool askYesNo(const YesNoRequest& request) override;
    int askWithHelp(const HelpQuestion& question) override;
    std::optional<int> showPopupMenu(WindowRef owner, std::span<const PopupMenuItem> items) override;
    WorkArea workAreaOfWindow(WindowRef window) override;
    WorkArea workAreaAtPoint(QPoint pixel) override;
    double scaleFactor(WindowRef window) override;
    void setCaption(WindowRef window, const QString& caption) override;
    WindowRef foregroundWindow() override;
    void bringToFront(WindowRef window) override;
    void tieToOwner(WindowRef dialog, WindowRef owner) override;
    bool showHelp(const QString& helpFile, int contextId) override;
    void reportError(const OLError& error, WindowRef owner) override;

private:
    template <class T> T nextAnswer(std::deque<T>& queue, const QString& question);

    std::vector<ScriptedCall> m_calls;
    std::deque<bool> m_yesNo;
    std::deque<int> m_helpButtons;
    std::deque<std::optional<int>> m_popupChoices;
    WorkArea m_workArea;
    double m_scaleFactor = 1.0;
    WindowRef m_foreground;
    bool m_helpResult = true;
    std::vector<std::pair<WindowRef, QString>> m_captions;
};

} // namespace ol

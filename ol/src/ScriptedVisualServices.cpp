#include "ol/ScriptedVisualServices.h"

#include <algorithm>
#include <iterator>

#include "ol/OLError.h"

namespace ol {

ScriptedVisualServices::ScriptedVisualServices() {
    // A 1920 x 1080 monitor at 96 dpi with a 40-pixel panel at the bottom.
    m_workArea.pixels = QRect(0, 0, 1920, 1040);
}

VisualServices ScriptedVisualServices::asServices() {
    return VisualServices{this, this, this, this, this, this};
}

int ScriptedVisualServices::pendingAnswers() const {
    return static_cast<int>(m_yesNo.size() + m_helpButtons.size() + m_popupChoices.size());
}

std::vector<ScriptedCall> ScriptedVisualServices::callsOf(const QString& operation) const {
    std::vector<ScriptedCall> result;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
                 [&](const ScriptedCall& c) { return c.operation == operation; });
    return result;
}

QString ScriptedVisualServices::caption(WindowRef window) const {
    for (auto it = m_captions.rbegin(); it != m_captions.rend(); ++it) {
        if (it->first == window)
            return it->second;
    }
    return QString();
}

template <class T> T ScriptedVisualServices::nextAnswer(std::deque<T>& queue, const QString& question) {
    if (queue.empty())
        raiseError(kErrGeneral, QStringLiteral("ScriptedVisualServices"),
                   QStringLiteral("No scripted answer for: ") + question);
    T answer = queue.front();
    queue.pop_front();
    return answer;
}

void ScriptedVisualServices::showMessage(const MessageRequest& request) {
    m_calls.push_back(ScriptedCall{QStringLiteral("showMessage"),
                                   request.title,
                                   request.text,
                                   {},
                                   request.owner,
                                   {},
                                   static_cast<qint64>(request.kind)});
}

bool ScriptedVisualServices::askYesNo(const YesNoRequest& request) {
    m_calls.push_back(ScriptedCall{QStringLiteral("askYesNo"), request.title, request.text, {}, request.owner, {}, 0});
    return nextAnswer(m_yesNo, request.text);
}

int ScriptedVisualServices::askWithHelp(const HelpQuestion& question) {
    const QStringList captions(question.buttonCaptions.begin(), question.buttonCaptions.end());
    m_calls.push_back(ScriptedCall{QStringLiteral("askWithHelp"),
                                   question.title,
                                   question.text,
                                   captions,
                                   question.owner,
                                   {},
                                   question.helpContext});
    return nextAnswer(m_helpButtons, question.text);
}

std::optional<int> ScriptedVisualServices::showPopupMenu(WindowRef owner, std::span<const PopupMenuItem> items) {
    QStringList captions;
    for (const PopupMenuItem& item : items)
        captions << item.caption;
    m_calls.push_back(ScriptedCall{QStringLiteral("showPopupMenu"), {}, {}, captions, owner, {}, 0});
    return nextAnswer(m_popupChoices, QStringLiteral("pop-up menu ") + captions.join(u'|'));
}

WorkArea ScriptedVisualServices::workAreaOfWindow(WindowRef window) {
    m_calls.push_back(ScriptedCall{QStringLiteral("workAreaOfWindow"), {}, {}, {}, window, {}, 0});
    return m_workArea;
}

WorkArea ScriptedVisualServices::workAreaAtPoint(QPoint pixel) {
    m_calls.push_back(ScriptedCall{
        QStringLiteral("workAreaAtPoint"), {}, QStringLiteral("%1,%2").arg(pixel.x()).arg(pixel.y()), {}, {}, {}, 0});
    return m_workArea;
}

double ScriptedVisualServices::scaleFactor(WindowRef window) {
    m_calls.push_back(ScriptedCall{QStringLiteral("scaleFactor"), {}, {}, {}, window, {}, 0});
    return m_scaleFactor;
}

void ScriptedVisualServices::setCaption(WindowRef window, const QString& caption) {
    m_calls.push_back(ScriptedCall{QStringLiteral("setCaption"), {}, caption, {}, window, {}, 0});
    m_captions.emplace_back(window, caption);
}

WindowRef ScriptedVisualServices::foregroundWindow() {
    m_calls.push_back(ScriptedCall{QStringLiteral("foregroundWindow"), {}, {}, {}, {}, {}, 0});
    return m_foreground;
}

void ScriptedVisualServices::bringToFront(WindowRef window) {
    m_calls.push_back(ScriptedCall{QStringLiteral("bringToFront"), {}, {}, {}, window, {}, 0});
    m_foreground = window;
}

void ScriptedVisualServices::tieToOwner(WindowRef dialog, WindowRef owner) {
    m_calls.push_back(ScriptedCall{QStringLiteral("tieToOwner"), {}, {}, {}, dialog, owner, 0});
}

bool ScriptedVisualServices::showHelp(const QString& helpFile, int contextId) {
    m_calls.push_back(ScriptedCall{QStringLiteral("showHelp"), {}, helpFile, {}, {}, {}, contextId});
    return m_helpResult;
}

void ScriptedVisualServices::reportError(const OLError& error, WindowRef owner) {
    m_calls.push_back(ScriptedCall{QStringLiteral("reportError"),
                                   error.source(),
                                   error.description(),
                                   {},
                                   owner,
                                   {},
                                   static_cast<qint64>(error.number())});
}

} // namespace ol

#pragma once

#include <array>

#include <QString>

#include "ol/WindowRef.h"

namespace ol {

enum class MessageKind { Information, Warning, Error };

// An information, warning or error message with an OK button.
struct MessageRequest {
    QString title;
    QString text;
    MessageKind kind = MessageKind::Information;
    // Stays in front of every window of the desktop until answered.
    bool systemModal = false;
    WindowRef owner;
};

// A question with Yes and No buttons.
struct YesNoRequest {
    QString title;
    QString text;
    bool systemModal = false;
    WindowRef owner;
};

// A question with three buttons whose captions the caller gives (the first
// opens the help, the other two answer), and the help topic of the question.
struct HelpQuestion {
    QString title;
    QString text;
    std::array<QString, 3> buttonCaptions;
    QString helpFile;
    int helpContext = 0;
    WindowRef owner;
};

// What askWithHelp returns: the 0-based index of the button chosen, or
// kNoButton when the box was closed without choosing one.
inline constexpr int kNoButton = -1;

// Message boxes shown to the person at the screen. Calls return when the
// box is closed.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    virtual void showMessage(const MessageRequest& request) = 0;
    // True when the answer was Yes; closing the box counts as No.
    virtual bool askYesNo(const YesNoRequest& request) = 0;
    // The index of the button chosen (0, 1 or 2) or kNoButton.
    virtual int askWithHelp(const HelpQuestion& question) = 0;
};

} // namespace ol

#include "QtMessageBoxService.h"

#include <QMessageBox>
#include <QPushButton>

#include "QtWindows.h"

namespace watcher {

namespace {

// A box that stays in front of every window (the system-modal style) is an
// application-modal box on the always-on-top level: this process cannot
// block the desktop's other programs, but the box cannot be hidden behind them.
void prepareBox(QMessageBox& box, const QString& title, const QString& text, bool systemModal) {
    box.setWindowTitle(title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (systemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

QMessageBox::Icon iconOf(ol::MessageKind kind) {
    switch (kind) {
    case ol::MessageKind::Warning:
        return QMessageBox::Warning;
    case ol::MessageKind::Error:
        return QMessageBox::Critical;
    case ol::MessageKind::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

void QtMessageBoxService::showMessage(const ol::MessageRequest& request) {
    QMessageBox box(widgetOf(request.owner));
    prepareBox(box, request.title, request.text, request.systemModal);
    box.setIcon(iconOf(request.kind));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtMessageBoxService::askYesNo(const ol::YesNoRequest& request) {
    QMessageBox box(widgetOf(request.owner));
    prepareBox(box, request.title, request.text, request.systemModal);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box (Escape, the title bar) answers No.
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtMessageBoxService::askWithHelp(const ol::HelpQuestion& question) {
    QMessageBox box(widgetOf(question.owner));
    prepareBox(box, question.title, question.text, false);
    box.setIcon(QMessageBox::Question);
    // All three buttons close the box: the help button's caller opens the
    // help and asks again, so the box itself never stays open for it.
    QPushButton* buttons[3];
    for (int i = 0; i < 3; ++i) {
        buttons[i] = box.addButton(question.buttonCaptions[static_cast<std::size_t>(i)], QMessageBox::ActionRole);
        buttons[i]->setObjectName(QStringLiteral("QuestionButton%1").arg(i));
    }
    box.setDefaultButton(buttons[1]);
    box.exec();
    for (int i = 0; i < 3; ++i) {
        if (box.clickedButton() == buttons[i])
            return i;
    }
    return ol::kNoButton;
}

} // namespace watcher

#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace watcher {

// The small modal dialog in which the person types a crossover or mutation
// rate: a number from 0.01 to 1. OK with anything else shows message 4201
// and keeps the dialog open; Cancel and the close box change nothing.
class FormRate : public QDialog {
    Q_OBJECT

public:
    explicit FormRate(QWidget* parent = nullptr);

    // Shows the dialog modally with rateIn; when it was closed by OK, puts
    // the typed rate in rateOut and returns true.
    bool ShowDialog(bool crossoverNotMutation, double rateIn, double& rateOut);
    // Fills the dialog as ShowDialog does, without showing it.
    void Prepare(bool crossoverNotMutation, double rateIn);
    // The rate typed, when the dialog was not cancelled and holds a number.
    bool TypedRate(double& rateOut) const;

    bool Cancelled() const { return m_Cancelled; }

    void CommandOK_Click();
    void CommandCancel_Click();

    // The close box and Escape act as Cancel.
    void reject() override;

private:
    QLabel* LabelRate = nullptr;
    QLineEdit* TextRate = nullptr;
    QPushButton* CommandOK = nullptr;
    QPushButton* CommandCancel = nullptr;
    bool m_Cancelled = false;
};

} // namespace watcher

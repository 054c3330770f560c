#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QPointer>
#include <QString>

#include "WatcherPage.h"

class QLabel;
class QLineEdit;
class QScrollBar;
class QToolButton;
class QWidget;

namespace watcher {

class FormRate;

// The engine calls of the genetic-algorithm rates. The panel goes through
// this so that its tests can count calls and make them fail; the process
// uses the bound engine library (QxLibGeneticRates).
class GeneticRates {
public:
    virtual ~GeneticRates() = default;
    virtual int32_t lock(int32_t pop) = 0;
    virtual int32_t unlock(int32_t pop) = 0;
    virtual double crossoverRate(int32_t pop, int32_t chr) = 0;
    virtual int32_t mutationMode(int32_t pop, int32_t chr, int16_t& mode, double& rate) = 0;
    virtual double currentMutationRate(int32_t pop, int32_t chr) = 0;
    virtual int32_t setMutationMode(int32_t pop, int32_t chr, int16_t mode, double rate) = 0;
    virtual int32_t setCrossoverRate(int32_t pop, int32_t chr, double rate) = 0;
};

class QxLibGeneticRates final : public GeneticRates {
public:
    int32_t lock(int32_t pop) override;
    int32_t unlock(int32_t pop) override;
    double crossoverRate(int32_t pop, int32_t chr) override;
    int32_t mutationMode(int32_t pop, int32_t chr, int16_t& mode, double& rate) override;
    double currentMutationRate(int32_t pop, int32_t chr) override;
    int32_t setMutationMode(int32_t pop, int32_t chr, int16_t mode, double rate) override;
    int32_t setCrossoverRate(int32_t pop, int32_t chr, double rate) override;
};

// The genetic algorithm's crossover and mutation rates beside the summary
// grid, for runs of the genetic-algorithm engine: each rate as text and as a
// scroll bar (rate x 100), and a button that opens FormRate. A change goes
// to the engine at once, for every adjustable-cell group, with the
// population locked; the lock is released on every path.
class GeneticParametersPanel : public WatcherPage {
    Q_OBJECT

public:
    // focusAfterChange gets the keyboard focus after a scroll (the summary
    // grid).
    GeneticParametersPanel(QFrame* frame, QWidget* focusAfterChange);
    ~GeneticParametersPanel() override;

    static constexpr int kScrollMaximum = 100;

    void GeneticParameters_Initialize();
    void GeneticParameters_Update();
    void GeneticParameters_SendValuesToQxLib();
    void SetCrossoverText(double rate);
    void SetMutationText(double rate);

    void ScrollCrossover_Change();
    void ScrollMutation_Change();
    void CommandCrossover_Click();
    void CommandMutation_Click();

    // The engine calls (tests put a recording one in).
    void setRates(std::shared_ptr<GeneticRates> rates) { m_Rates = std::move(rates); }
    // How a rate button asks for a rate: (crossoverNotMutation, rateIn,
    // rateOut) -> accepted. By default a FormRate shown modally over the
    // window; tests answer in its place.
    using RateDialogRunner = std::function<bool(bool, double, double&)>;
    void setRateDialogRunner(RateDialogRunner runner) { m_RateDialogRunner = std::move(runner); }
    // The rate dialog while it is open.
    FormRate* rateDialog() const;

    QLineEdit* crossoverText() const { return TextCrossover; }
    QLineEdit* mutationText() const { return TextMutation; }
    QScrollBar* crossoverScroll() const { return ScrollCrossover; }
    QScrollBar* mutationScroll() const { return ScrollMutation; }
    QToolButton* crossoverButton() const { return CommandCrossover; }
    QToolButton* mutationButton() const { return CommandMutation; }

    // WatcherPage
    bool AppliesTo(const manager::WatcherManager& manager) const override;
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    void Update(const PageUpdate& update) override;
    void LayoutPage(const manager::WatcherLayout& layout) override;
    void GoingToStoppingConfig() override;
    void StoppingConfigApplied() override;

protected:
    void InitializePage() override;

private:
    void rateButtonClicked(bool crossover);
    bool runRateDialog(bool crossoverNotMutation, double rateIn, double& rateOut);
    static int scrollPosition(double rate);

    QWidget* m_FocusAfterChange = nullptr;
    QWidget* m_Panel = nullptr;
    QFrame* FrameGroupSettingsDivider = nullptr;
    QLabel* LabelGeneticAlgorithmParameters = nullptr;
    QLabel* LabelCrossoverRate = nullptr;
    QLineEdit* TextCrossover = nullptr;
    QScrollBar* ScrollCrossover = nullptr;
    QToolButton* CommandCrossover = nullptr;
    QLabel* LabelMutationRate = nullptr;
    QLineEdit* TextMutation = nullptr;
    QScrollBar* ScrollMutation = nullptr;
    QToolButton* CommandMutation = nullptr;

    std::shared_ptr<GeneticRates> m_Rates;
    RateDialogRunner m_RateDialogRunner;
    QPointer<FormRate> m_RateDialog;
};

} // namespace watcher

#include "GeneticParametersPanel.h"

#include <cmath>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

#include "DiagnosticLog.h"
#include "FormRate.h"
#include "Formatting.h"
#include "PageLayout.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "WindowPlacement.h"
#include "ol/OLError.h"
#include "ol/StepGuard.h"
#include "ol/TextUtils.h"

namespace watcher {

// ---------------------------------------------------------------- engine

int32_t QxLibGeneticRates::lock(int32_t pop) {
    return engine::QxLib().QxPopLock(pop);
}
int32_t QxLibGeneticRates::unlock(int32_t pop) {
    return engine::QxLib().QxPopUnlock(pop);
}
double QxLibGeneticRates::crossoverRate(int32_t pop, int32_t chr) {
    return engine::QxLib().QxChrGetCrossoverRate(pop, chr);
}
int32_t QxLibGeneticRates::mutationMode(int32_t pop, int32_t chr, int16_t& mode, double& rate) {
    return engine::QxLib().QxChrGetMutationMode(pop, chr, &mode, &rate);
}
double QxLibGeneticRates::currentMutationRate(int32_t pop, int32_t chr) {
    return engine::QxLib().QxChrGetCurrentMutationRate(pop, chr);
}
int32_t QxLibGeneticRates::setMutationMode(int32_t pop, int32_t chr, int16_t mode, double rate) {
    return engine::QxLib().QxChrSetMutationMode(pop, chr, mode, rate);
}
int32_t QxLibGeneticRates::setCrossoverRate(int32_t pop, int32_t chr, double rate) {
    return engine::QxLib().QxChrSetCrossoverRate(pop, chr, rate);
}

namespace {

// Holds the population lock for a scope, with the log lines around the lock
// and the unlock; the unlock happens on every path out of the scope, an
// exception included.
class PopulationLock {
public:
    PopulationLock(GeneticRates& rates, int32_t pop, QString operation)
        : m_rates(rates), m_pop(pop), m_operation(std::move(operation)) {
        log(QStringLiteral(": about to call QxPopLock(%1)").arg(pop));
        const int32_t rc = m_rates.lock(pop);
        log(QStringLiteral(": QxPopLock returned"));
        if (rc != 0)
            engine::LogQxLibError(m_operation, QStringLiteral("QxPopLock"), rc, false);
        m_locked = rc == 0;
    }
    ~PopulationLock() {
        if (!m_locked)
            return;
        log(QStringLiteral(": about to call QxPopUnlock(%1)").arg(m_pop));
        const int32_t rc = m_rates.unlock(m_pop);
        log(QStringLiteral(": QxPopUnlock returned"));
        if (rc != 0)
            engine::LogQxLibError(m_operation, QStringLiteral("QxPopUnlock"), rc, false);
    }
    PopulationLock(const PopulationLock&) = delete;
    PopulationLock& operator=(const PopulationLock&) = delete;

private:
    void log(const QString& rest) const {
        if (engine::DiagnosticLog::isOn())
            engine::DiagnosticLog::WriteLine(m_operation + rest);
    }
    GeneticRates& m_rates;
    int32_t m_pop;
    QString m_operation;
    bool m_locked = false;
};

QLabel* makeLabel(QWidget* parent, const char* name, double left, double top, double width) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    setGeometryTwips(label, left, top, width, 255);
    return label;
}

QLineEdit* makeRateText(QWidget* parent, const char* name, double top) {
    auto* text = new QLineEdit(parent);
    text->setObjectName(QLatin1String(name));
    text->setReadOnly(true);
    text->setAlignment(Qt::AlignRight);
    setGeometryTwips(text, 2400, top - 30, 1300, 315);
    return text;
}

QScrollBar* makeRateScroll(QWidget* parent, const char* name, double top) {
    auto* scroll = new QScrollBar(Qt::Horizontal, parent);
    scroll->setObjectName(QLatin1String(name));
    scroll->setRange(0, GeneticParametersPanel::kScrollMaximum);
    scroll->setSingleStep(1);
    scroll->setPageStep(10);
    setGeometryTwips(scroll, 3800, top, 3000, 255);
    return scroll;
}

QToolButton* makeRateButton(QWidget* parent, const char* name, double top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QStringLiteral("..."));
    setGeometryTwips(button, 6900, top - 30, 420, 315);
    return button;
}

} // namespace

// ---------------------------------------------------------------- panel

GeneticParametersPanel::GeneticParametersPanel(QFrame* frame, QWidget* focusAfterChange)
    : WatcherPage(frame), m_FocusAfterChange(focusAfterChange), m_Rates(std::make_shared<QxLibGeneticRates>()) {
    // Below the summary grid, across the page; shown for genetic-algorithm
    // runs only (Initialize).
    m_Panel = new QWidget(frame);
    m_Panel->setObjectName(QStringLiteral("PanelGeneticParameters"));
    setGeometryTwips(m_Panel, 0, 1800, kPageWidthTwips - 60, 1500);
    m_Panel->setVisible(false);

    FrameGroupSettingsDivider = new QFrame(m_Panel);
    FrameGroupSettingsDivider->setObjectName(QStringLiteral("FrameGroupSettingsDivider"));
    FrameGroupSettingsDivider->setFrameShape(QFrame::HLine);
    FrameGroupSettingsDivider->setFrameShadow(QFrame::Sunken);
    setGeometryTwips(FrameGroupSettingsDivider, 60, 0, kPageWidthTwips - 240, 30);
    LabelGeneticAlgorithmParameters = makeLabel(m_Panel, "LabelGeneticAlgorithmParameters", 60, 120, 6000);
    LabelCrossoverRate = makeLabel(m_Panel, "LabelCrossoverRate", 240, 540, 2100);
    TextCrossover = makeRateText(m_Panel, "TextCrossover", 540);
    ScrollCrossover = makeRateScroll(m_Panel, "ScrollCrossover", 540);
    CommandCrossover = makeRateButton(m_Panel, "CommandCrossover", 540);
    LabelMutationRate = makeLabel(m_Panel, "LabelMutationRate", 240, 990, 2100);
    TextMutation = makeRateText(m_Panel, "TextMutation", 990);
    ScrollMutation = makeRateScroll(m_Panel, "ScrollMutation", 990);
    CommandMutation = makeRateButton(m_Panel, "CommandMutation", 990);

    connect(ScrollCrossover, &QScrollBar::valueChanged, this, [this] { ScrollCrossover_Change(); });
    connect(ScrollMutation, &QScrollBar::valueChanged, this, [this] { ScrollMutation_Change(); });
    connect(CommandCrossover, &QToolButton::clicked, this, [this] { CommandCrossover_Click(); });
    connect(CommandMutation, &QToolButton::clicked, this, [this] { CommandMutation_Click(); });
}

GeneticParametersPanel::~GeneticParametersPanel() = default;

FormRate* GeneticParametersPanel::rateDialog() const {
    return m_RateDialog.data();
}

bool GeneticParametersPanel::AppliesTo(const manager::WatcherManager& manager) const {
    return manager.Input_OptimizationEngine() == 1;
}

void GeneticParametersPanel::ApplyLocalization(const manager::WatcherManager* /*manager*/) {
    LabelGeneticAlgorithmParameters->setText(engine::GetResourceString(4053));
    LabelCrossoverRate->setText(engine::GetResourceString(4023));
    LabelMutationRate->setText(engine::GetResourceString(4024));
}

void GeneticParametersPanel::InitializePage() {
    GeneticParameters_Initialize();
    log(QStringLiteral("WATCHER: GeneticParameters_Initialize returned"));
}

void GeneticParametersPanel::GeneticParameters_Initialize() {
    m_Panel->setVisible(true);
    GeneticParameters_Update();
}

void GeneticParametersPanel::Update(const PageUpdate& /*update*/) {
    GeneticParameters_Update();
}

int GeneticParametersPanel::scrollPosition(double rate) {
    if (!std::isfinite(rate))
        return 0;
    return static_cast<int>(std::lround(std::clamp(rate, 0.0, 1.0) * kScrollMaximum));
}

void GeneticParametersPanel::GeneticParameters_Update() {
    const QString operation = QStringLiteral("GeneticParameters_Update");
    ol::tryOr(false, [&] {
        manager::WatcherManager& mgr = *manager();
        const int32_t pop = mgr.Input_PopHandle();
        PopulationLock lock(*m_Rates, pop, operation);
        SettingControlsScope setting(context().settingControls);

        const bool automatic = mgr.Input_GAMutationIsAuto();
        const bool enable = dialogConfiguration() != 3 && !automatic;
        if (ScrollMutation->isEnabled() != enable)
            ScrollMutation->setEnabled(enable);
        if (CommandMutation->isEnabled() != enable)
            CommandMutation->setEnabled(enable);

        double m = 0.0;
        if (automatic) {
            m = m_Rates->currentMutationRate(pop, 1);
        } else {
            int16_t mode = 0;
            const int32_t rc = m_Rates->mutationMode(pop, 1, mode, m);
            if (rc != 0)
                engine::LogQxLibError(operation, QStringLiteral("QxChrGetMutationMode"), rc, false);
            ScrollMutation->setValue(scrollPosition(m));
        }
        SetMutationText(m);

        const double c = m_Rates->crossoverRate(pop, 1);
        ScrollCrossover->setValue(scrollPosition(c));
        SetCrossoverText(c);
        return true;
    });
}

void GeneticParametersPanel::SetCrossoverText(double rate) {
    TextCrossover->setText(engine::FormatNumberGeneral(rate));
}

void GeneticParametersPanel::SetMutationText(double rate) {
    const QString text = engine::FormatNumberGeneral(rate);
    const bool automatic = manager() != nullptr && manager()->Input_GAMutationIsAuto();
    TextMutation->setText(automatic ? QStringLiteral("Auto=") + text : text);
}

void GeneticParametersPanel::GeneticParameters_SendValuesToQxLib() {
    const QString operation = QStringLiteral("GeneticParameters_SendValuesToQxLib");
    ol::tryOr(false, [&] {
        manager::WatcherManager& mgr = *manager();
        const int32_t pop = mgr.Input_PopHandle();
        PopulationLock lock(*m_Rates, pop, operation);
        const int32_t groups = mgr.Input_GroupNames().count();
        const auto parse = [](const QLineEdit* text, const char* name) {
            const std::optional<double> value = ol::parseNumber(text->text());
            if (!value)
                ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("GeneticParameters_SendValuesToQxLib"),
                               QLatin1String(name));
            return *value;
        };
        if (!mgr.Input_GAMutationIsAuto()) {
            const double m = parse(TextMutation, "TextMutation");
            for (int32_t chr = 1; chr <= groups; ++chr) {
                const int32_t rc = m_Rates->setMutationMode(pop, chr, 0, m);
                if (rc != 0)
                    engine::LogQxLibError(operation, QStringLiteral("QxChrSetMutationMode, group=%1").arg(chr), rc,
                                          false);
            }
        }
        const double c = parse(TextCrossover, "TextCrossover");
        for (int32_t chr = 1; chr <= groups; ++chr) {
            const int32_t rc = m_Rates->setCrossoverRate(pop, chr, c);
            if (rc != 0)
                engine::LogQxLibError(operation, QStringLiteral("QxChrSetCrossoverRate, group=%1").arg(chr), rc, false);
        }
        return true;
    });
}

void GeneticParametersPanel::ScrollMutation_Change() {
    if (settingControls())
        return;
    SettingControlsScope setting(context().settingControls);
    SetMutationText(static_cast<double>(ScrollMutation->value()) / kScrollMaximum);
    GeneticParameters_SendValuesToQxLib();
    if (m_FocusAfterChange != nullptr)
        m_FocusAfterChange->setFocus(Qt::OtherFocusReason);
}

void GeneticParametersPanel::ScrollCrossover_Change() {
    if (settingControls())
        return;
    SettingControlsScope setting(context().settingControls);
    // The crossover rate never goes below 0.01 through the scroll bar.
    if (static_cast<double>(ScrollCrossover->value()) / kScrollMaximum < 0.01)
        ScrollCrossover->setValue(static_cast<int>(std::lround(kScrollMaximum * 0.01)));
    SetCrossoverText(static_cast<double>(ScrollCrossover->value()) / kScrollMaximum);
    GeneticParameters_SendValuesToQxLib();
    if (m_FocusAfterChange != nullptr)
        m_FocusAfterChange->setFocus(Qt::OtherFocusReason);
}

void GeneticParametersPanel::CommandCrossover_Click() {
    rateButtonClicked(true);
}

void GeneticParametersPanel::CommandMutation_Click() {
    rateButtonClicked(false);
}

void GeneticParametersPanel::rateButtonClicked(bool crossover) {
    if (settingControls())
        return;
    SettingControlsScope setting(context().settingControls);
    QWidget* const window = context().window;
    // The dialog must come up in front of the Watcher, which may be on the
    // always-on-top level; the level comes back afterwards.
    const bool wasTopmost = window != nullptr && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (wasTopmost)
        setStaysOnTop(window, false);
    ol::StepGuard guard;
    guard.run([&] {
        const QLineEdit* text = crossover ? TextCrossover : TextMutation;
        const double rateIn = ol::parseNumber(text->text()).value_or(0.0);
        double rateOut = rateIn;
        const bool accepted = m_RateDialogRunner ? m_RateDialogRunner(crossover, rateIn, rateOut)
                                                 : runRateDialog(crossover, rateIn, rateOut);
        // A rate accepted after the run stopped is not applied.
        if (!accepted || dialogConfiguration() == 3)
            return;
        if (crossover) {
            SetCrossoverText(rateOut);
            ScrollCrossover->setValue(scrollPosition(rateOut));
        } else {
            SetMutationText(rateOut);
            ScrollMutation->setValue(scrollPosition(rateOut));
        }
        GeneticParameters_SendValuesToQxLib();
    });
    guard.run([&] {
        if (wasTopmost && window != nullptr)
            setStaysOnTop(window, true);
    });
}

bool GeneticParametersPanel::runRateDialog(bool crossoverNotMutation, double rateIn, double& rateOut) {
    auto* dialog = new FormRate(context().window);
    m_RateDialog = dialog;
    const QPointer<FormRate> guard(dialog);
    const bool accepted = dialog->ShowDialog(crossoverNotMutation, rateIn, rateOut);
    if (guard)
        delete guard.data();
    return accepted;
}

void GeneticParametersPanel::GoingToStoppingConfig() {
    if (m_RateDialog)
        m_RateDialog->hide();
}

void GeneticParametersPanel::StoppingConfigApplied() {
    // Nothing can be changed once the run has stopped.
    for (QWidget* control : {static_cast<QWidget*>(ScrollCrossover), static_cast<QWidget*>(CommandCrossover),
                             static_cast<QWidget*>(ScrollMutation), static_cast<QWidget*>(CommandMutation)})
        control->setEnabled(false);
}

void GeneticParametersPanel::LayoutPage(const manager::WatcherLayout& layout) {
    setWidthTwips(m_Panel, layout.pageDividerWidth + 180);
    setWidthTwips(FrameGroupSettingsDivider, layout.pageDividerWidth);
}

} // namespace watcher

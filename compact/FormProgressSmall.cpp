#include "FormProgressSmall.h"

#include <cmath>
#include <string>

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>
#include <QPushButton>

#include "CompactSupport.h"
#include "DiagnosticLog.h"
#include "ExcelUpdatingMenu.h"
#include "Formatting.h"
#include "LanguageFont.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "TextProgressBar.h"
#include "Twips.h"
#include "WindowIcon.h"
#include "WindowPlacement.h"
#include "manager/WatcherManager.h"
#include "ol/NumberFormat.h"
#include "ol/OLError.h"
#include "ol/ResourceServer.h"
#include "ol/StepGuard.h"
#include "ol/VisualServices.h"
#include "watcher/FormSurvival.h"

namespace watcher {

namespace {

using engine::DiagnosticLog;
using namespace compact;

void log(QString message) {
    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(message);
}

// The designed layout in twips (at 96 dpi 15 twips are one pixel, so every
// figure is a whole number of pixels there). The value rows sit in
// FrameBothQxAndTrellan, the buttons in FrameBottom; the iteration row,
// which loading takes out, sits between the progress bar and the rows.
constexpr int kWindowWidth = 6660;
constexpr int kWindowHeight = 3120;
constexpr int kMargin = 120;
constexpr int kBarTop = 120;
constexpr int kBarHeight = 360;
constexpr int kIterationTop = 540;
constexpr int kRowHeight = 330;
constexpr int kRowPitch = 360;
constexpr int kLabelLeft = 60;
constexpr int kLabelWidth = 1200;
constexpr int kTextLeft = 1320;
constexpr int kTextWidth = 5160;
constexpr int kFrameLeft = 60;
constexpr int kFrameTop = 900;
constexpr int kFrameWidth = 6540;
constexpr int kFrameHeight = 30 + 4 * kRowPitch;
constexpr int kDividerTop = kFrameTop + kFrameHeight + 60;
constexpr int kDividerHeight = 30;
constexpr int kBottomTop = kDividerTop + kDividerHeight + 60;
constexpr int kBottomHeight = 540;
// FrameBottom reaches past the window's right edge: the run buttons move
// right when a translation widens the window, and the frame (which is not
// widened with it) must still hold them.
constexpr int kBottomWidth = kWindowWidth + 3000;
constexpr int kButtonTop = 60;
constexpr int kButtonHeight = 420;

struct ButtonPlace {
    int left;
    int width;
};
constexpr ButtonPlace kWatcherPlace{120, 1200};
constexpr ButtonPlace kExcelUpdatePlace{1380, 1800};
constexpr ButtonPlace kRunPlace{3300, 1080};
constexpr ButtonPlace kPausePlace{4440, 1020};
constexpr ButtonPlace kStopPlace{5520, 1020};

// Resource numbers of the window's texts.
constexpr int kCaptionText = 4101;
constexpr int kIterationText = 4102;
constexpr int kTrialText = 4104;
constexpr int kRuntimeText = 4105;
constexpr int kOriginalText = 4106;
constexpr int kBestText = 4107;
constexpr int kWatcherText = 4108;
constexpr int kExcelUpdateText = 4109;
constexpr int kRunText = 4110;
constexpr int kPauseText = 4111;
constexpr int kStopText = 4112;
constexpr int kTrialsWithValidText = 4119;
constexpr int kTrialsOfLimitText = 4120;
constexpr int kRuntimeOfLimitText = 4121;
constexpr int kConstraintSolverCaptionText = 4123;
constexpr int kWorkerProcessesText = 4127;

// Windows primary language numbers of the languages that need more room.
constexpr int kChinese = 4;
constexpr int kGerman = 7;
constexpr int kSpanish = 10;
constexpr int kFrench = 12;
constexpr int kJapanese = 17;
constexpr int kPortuguese = 22;
constexpr int kRussian = 25;

} // namespace

FormProgressSmall::FormProgressSmall(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormProgressSmall"));
    createControls();
    applyBaseLayout();
}

FormProgressSmall::~FormProgressSmall() = default;

void FormProgressSmall::createControls() {
    FrameBothQxAndTrellan = new QFrame(this);
    FrameBothQxAndTrellan->setObjectName(QStringLiteral("FrameBothQxAndTrellan"));
    FrameDivider = new QFrame(this);
    FrameDivider->setObjectName(QStringLiteral("FrameDivider"));
    FrameDivider->setFrameShape(QFrame::HLine);
    FrameDivider->setFrameShadow(QFrame::Sunken);
    FrameBottom = new QFrame(this);
    FrameBottom->setObjectName(QStringLiteral("FrameBottom"));

    vbalProgressBar = new TextProgressBar(this);
    vbalProgressBar->setObjectName(QStringLiteral("vbalProgressBar"));

    auto makeRow = [](QWidget* parent, const QString& labelName, const QString& textName, QLabel*& label,
                      QLineEdit*& text) {
        label = new QLabel(parent);
        label->setObjectName(labelName);
        text = new QLineEdit(parent);
        text->setObjectName(textName);
        text->setReadOnly(true);
        // Read-only values: the focus stays on the buttons' side.
        text->setFocusPolicy(Qt::NoFocus);
    };
    makeRow(this, QStringLiteral("LabelIteration"), QStringLiteral("TextIteration"), LabelIteration, TextIteration);
    makeRow(FrameBothQxAndTrellan, QStringLiteral("LabelTrial"), QStringLiteral("TextTrial"), LabelTrial, TextTrial);
    makeRow(FrameBothQxAndTrellan, QStringLiteral("LabelRuntime"), QStringLiteral("TextRuntime"), LabelRuntime,
            TextRuntime);
    makeRow(FrameBothQxAndTrellan, QStringLiteral("LabelOriginal"), QStringLiteral("TextOriginal"), LabelOriginal,
            TextOriginal);
    makeRow(FrameBothQxAndTrellan, QStringLiteral("LabelBest"), QStringLiteral("TextBest"), LabelBest, TextBest);
    m_labels = {LabelIteration, LabelTrial, LabelRuntime, LabelOriginal, LabelBest};
    m_texts = {TextIteration, TextTrial, TextRuntime, TextOriginal, TextBest};

    auto makeButton = [this](const QString& name, bool toggle) {
        auto* button = new QPushButton(FrameBottom);
        button->setObjectName(name);
        button->setCheckable(toggle);
        button->setIconSize(QSize(16, 16));
        return button;
    };
    CommandWatcher = makeButton(QStringLiteral("CommandWatcher"), false);
    CommandExcelUpdate = makeButton(QStringLiteral("CommandExcelUpdate"), true);
    CommandRun = makeButton(QStringLiteral("CommandRun"), true);
    CommandPause = makeButton(QStringLiteral("CommandPause"), true);
    CommandStop = makeButton(QStringLiteral("CommandStop"), false);

    // Takes the keyboard focus after a click so that no button keeps it; it
    // lies outside the visible part of the window.
    CommandToSendFocusTo = new QPushButton(this);
    CommandToSendFocusTo->setObjectName(QStringLiteral("CommandToSendFocusTo"));
    CommandToSendFocusTo->setFocusPolicy(Qt::StrongFocus);

    connect(CommandRun, &QPushButton::clicked, this, &FormProgressSmall::CommandRun_Click);
    connect(CommandPause, &QPushButton::clicked, this, &FormProgressSmall::CommandPause_Click);
    connect(CommandStop, &QPushButton::clicked, this, &FormProgressSmall::CommandStop_Click);
    connect(CommandWatcher, &QPushButton::clicked, this, &FormProgressSmall::CommandWatcher_Click);
    connect(CommandExcelUpdate, &QPushButton::clicked, this, &FormProgressSmall::CommandExcelUpdate_Click);
}

void FormProgressSmall::applyBaseLayout() {
    resizeTwips(this, kWindowWidth, kWindowHeight);
    setGeometryTwips(vbalProgressBar, kMargin, kBarTop, kWindowWidth - 2 * kMargin, kBarHeight);
    vbalProgressBar->setValue(0);
    vbalProgressBar->setText(QString());
    vbalProgressBar->setVisible(true);

    setGeometryTwips(LabelIteration, kMargin, kIterationTop, kLabelWidth, kRowHeight);
    setGeometryTwips(TextIteration, kTextLeft + kFrameLeft, kIterationTop, kTextWidth, kRowHeight);
    LabelIteration->setVisible(true);
    TextIteration->setVisible(true);

    setGeometryTwips(FrameBothQxAndTrellan, kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);
    FrameBothQxAndTrellan->setFrameShape(QFrame::StyledPanel);
    for (int row = 1; row < static_cast<int>(m_labels.size()); ++row) {
        const int top = 30 + (row - 1) * kRowPitch;
        setGeometryTwips(m_labels[row], kLabelLeft, top, kLabelWidth, kRowHeight);
        setGeometryTwips(m_texts[row], kTextLeft, top, kTextWidth, kRowHeight);
    }
    for (QLabel* label : m_labels)
        label->clear();
    for (QLineEdit* text : m_texts)
        text->clear();

    setGeometryTwips(FrameDivider, kFrameLeft, kDividerTop, kFrameWidth, kDividerHeight);
    setGeometryTwips(FrameBottom, 0, kBottomTop, kBottomWidth, kBottomHeight);
    FrameBottom->setFrameShape(QFrame::StyledPanel);
    auto placeButton = [](QPushButton* button, ButtonPlace place) {
        setGeometryTwips(button, place.left, kButtonTop, place.width, kButtonHeight);
        button->setText(QString());
        button->setChecked(false);
    };
    m_SettingControls = true;
    placeButton(CommandWatcher, kWatcherPlace);
    placeButton(CommandExcelUpdate, kExcelUpdatePlace);
    placeButton(CommandRun, kRunPlace);
    placeButton(CommandPause, kPausePlace);
    placeButton(CommandStop, kStopPlace);
    m_SettingControls = false;
    setGeometryTwips(CommandToSendFocusTo, -600, -600, 300, 300);
}

void FormProgressSmall::load() {
    SetWindowIcon(this, kProductIconName, true);
    LabelIteration->setVisible(false);
    TextIteration->setVisible(false);
    // Close the gap the iteration row leaves between the bar and the rows.
    const int shift =
        static_cast<int>(topTwips(FrameBothQxAndTrellan) - (topTwips(vbalProgressBar) + heightTwips(vbalProgressBar)) -
                         kGapBelowProgressBarTwips);
    moveBy(FrameBothQxAndTrellan, 0, -shift);
    moveBy(FrameDivider, 0, -shift);
    moveBy(FrameBottom, 0, -shift);
    heightenBy(this, -shift);
    PlaceAtDefaultPosition();
    m_loaded = true;
}

void FormProgressSmall::Initialize(manager::WatcherManager* manager) {
    m_Manager = manager;
    try {
        if (!m_loaded)
            load();
        m_SettingControls = true;
        m_ProgressBarShown = true;
        log(QStringLiteral("entering FormProgressSmall.Initialize"));
        vbalProgressBar->setValue(0);
        vbalProgressBar->setText(QString());
        AdjustLayoutForLanguage();
        if (!m_Manager->Input_SuppressProgressWindow())
            SetTopmost(true);
        GoToRunningConfig();
        Update();
        log(QStringLiteral("FormProgressSmall.Initialize, Update method returned"));
        // A run on several worker processes offers no run control here.
        if (m_Manager->Input_MCoreOptimization())
            ControlsAfterStopClickedDisableEnable(false);
        if (!m_Manager->Input_SuppressProgressWindow()) {
            show();
            // The window frame's size is known once the window is shown; the
            // corner placement of loading could only guess it.
            PlaceAtDefaultPosition();
            repaint();
        }
        m_InitialPosition = windowPositionTwips(this);
        m_MoveWatch.remember(this);
        m_StartTick = DiagnosticLog::tickNow();
        if (m_Manager->Input_Runtime_TrialCount() <= 0 && m_Manager->Input_Runtime_Milliseconds() <= 0)
            HideProgressBar();
        m_SettingControls = false;
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("FormProgressSmall.Initialize"));
        reportInitializeError(error.description(), QStringLiteral("0x") + error.hexNumber());
        // The buttons must not stay deaf after a failed set-up.
        m_SettingControls = false;
    }
}

void FormProgressSmall::reportInitializeError(const QString& description, const QString& number) {
    const QString text =
        QStringLiteral("Error in FormProgressSmall.Initialize method: ") + description + u" (" + number + u')';
    log(text);
    ol::tryOr(false, [&] {
        ol::errorReporter().reportError(
            ol::OLError(ol::kErrGeneral, QStringLiteral("FormProgressSmall.Initialize"), text), windowRef());
        return true;
    });
}

double FormProgressSmall::progressPercent(double trials, double trialLimit, int32_t elapsedMs,
                                          double millisecondsLimit) {
    double pctTrials = 0;
    if (trialLimit > 0) {
        pctTrials = trials / trialLimit * 100;
        if (pctTrials < 1)
            pctTrials = 1;
    }
    double pctTime = 0;
    if (millisecondsLimit > 0 && elapsedMs > 0) {
        pctTime = elapsedMs / millisecondsLimit * 100;
        if (pctTime < 1)
            pctTime = 1;
    }
    return pctTrials > pctTime ? pctTrials : pctTime;
}

void FormProgressSmall::Update() {
    if (m_Manager == nullptr)
        return;
    log(QStringLiteral("FormProgressSmall.Update: Entering"));
    // Each step goes on after a failure in the one before; a failed query
    // leaves its field's previous text in place.
    ol::StepGuard guard;
    double trials = 0;
    int32_t elapsed = 0;
    guard.run([&] { trials = m_Manager->TrialCount(); });
    guard.run([&] { elapsed = m_Manager->ElapsedTicks(); });
    guard.run([&] {
        if (vbalProgressBar->isHidden())
            return;
        if (m_Manager->Input_Runtime_TrialCount() > 0)
            log(QStringLiteral("PROBLEMX: ") + plainNumber(trials));
        const double pct = progressPercent(trials, m_Manager->Input_Runtime_TrialCount(), elapsed,
                                           m_Manager->Input_Runtime_Milliseconds());
        if (pct > 0) {
            // Rounded half to even, as the bar's value always was; the text
            // rounds as a cell does.
            vbalProgressBar->setValue(static_cast<int>(std::nearbyint(pct)));
            vbalProgressBar->setText(percentText(pct));
        }
    });
    QString trialText;
    QString runtimeText;
    guard.run([&] {
        trialText = plainNumber(trials);
        runtimeText = engine::FormatElapsedTime(elapsed);
    });
    guard.run([&] {
        const double valid = m_Manager->ValidTrialCount();
        if (valid != trials)
            trialText = engine::GetResourceString(kTrialsWithValidText, plainNumber(trials), plainNumber(valid));
    });
    // A trial limit says more than the valid count, so its text wins.
    guard.run([&] {
        if (m_Manager->Input_Runtime_TrialCount() > 0)
            trialText = engine::GetResourceString(kTrialsOfLimitText, plainNumber(trials),
                                                  plainNumber(m_Manager->Input_Runtime_TrialCount()));
    });
    guard.run([&] {
        if (m_Manager->Input_Runtime_Milliseconds() > 0)
            runtimeText = engine::GetResourceString(kRuntimeOfLimitText, runtimeText,
                                                    engine::FormatElapsedTime(m_Manager->Input_Runtime_Milliseconds()));
    });
    guard.run([&] {
        if (!trialText.isNull())
            TextTrial->setText(trialText);
        if (!runtimeText.isNull())
            TextRuntime->setText(runtimeText);
    });
    auto valueText = [this](double value) {
        // In the constraint solver's run the objective counts violated
        // constraints.
        return m_Manager->Input_ConstraintSolverMode() ? engine::FormatConstraintViolations(value, true)
                                                       : m_Manager->FormatObjectiveValue(value);
    };
    guard.run([&] { TextOriginal->setText(valueText(m_Manager->ObjectiveValueOriginal())); });
    guard.run([&] { TextBest->setText(valueText(m_Manager->ObjectiveValueBest())); });
    log(QStringLiteral("FormProgressSmall.Update: Exiting"));
}

void FormProgressSmall::HideProgressBar() {
    vbalProgressBar->setVisible(false);
    moveBy(TextIteration, 0, -kHiddenProgressBarShiftTwips);
    moveBy(FrameBothQxAndTrellan, 0, -kHiddenProgressBarShiftTwips);
    moveBy(FrameDivider, 0, -kHiddenProgressBarShiftTwips);
    moveBy(FrameBottom, 0, -kHiddenProgressBarShiftTwips);
    heightenBy(this, -kHiddenProgressBarShiftTwips);
    m_ProgressBarShown = false;
    // The bottom edge moved up; unless the person placed the window, put it
    // back in its corner.
    if (windowPositionTwips(this) == m_InitialPosition)
        PlaceAtDefaultPosition();
}

void FormProgressSmall::PlaceAtDefaultPosition() {
    const qint64 excelWindow = m_Manager != nullptr ? m_Manager->Input_ExcelAppHwnd() : 0;
    const ol::WorkArea area = ol::screenService().workAreaOfWindow(ol::WindowRef::host(excelWindow));
    const double left = area.leftEdge() * area.twipsPerPixelX + kDefaultPositionMarginTwips;
    const double bottom = area.bottomEdge() * area.twipsPerPixelY - kDefaultPositionMarginTwips;
    const double outerHeight = pixelsToTwips(frameGeometry().height(), this);
    moveTwips(this, left, bottom - outerHeight);
}

FormProgressSmall::LanguageWidening FormProgressSmall::languageWidening(int language, bool constraintSolverMode) {
    LanguageWidening w;
    switch (language) {
    case kGerman:
        w.labelExtra = 300;
        break;
    case kSpanish:
        w.labelExtra = 150;
        break;
    case kFrench:
        w.labelExtra = 450;
        break;
    case kJapanese:
        w.labelExtra = 100;
        break;
    case kPortuguese:
        w.labelExtra = 550;
        break;
    case kRussian:
        w.labelExtra = 400;
        break;
    default:
        break;
    }
    switch (language) {
    case kChinese:
        w.textExtra = 900;
        break;
    case kGerman:
        w.textExtra = constraintSolverMode ? 750 : 130;
        break;
    case kSpanish:
        w.textExtra = constraintSolverMode ? 550 : 30;
        break;
    case kFrench:
        w.textExtra = constraintSolverMode ? 200 : -80;
        break;
    case kJapanese:
        w.textExtra = constraintSolverMode ? 900 : 0;
        break;
    case kPortuguese:
        w.textExtra = constraintSolverMode ? 200 : 30;
        break;
    case kRussian:
        w.textExtra = constraintSolverMode ? 900 : 800;
        break;
    default:
        break;
    }
    return w;
}

void FormProgressSmall::ApplyFormLocalization(bool /*changingLanguage*/) {
    ApplyLanguageFont(this);
    ol::StepGuard guard;
    guard.run([&] {
        QString caption;
        if (m_Manager != nullptr && m_Manager->Input_ConstraintSolverMode()) {
            caption = engine::GetResourceString(kConstraintSolverCaptionText);
        } else {
            caption = engine::GetResourceString(kCaptionText);
            const int32_t workers = m_Manager != nullptr ? m_Manager->Input_MCoreNumWorkerProcesses() : 0;
            if (workers > 1)
                caption += u' ' + engine::GetResourceString(kWorkerProcessesText, workers);
        }
        ol::windowService().setCaption(windowRef(), caption);
    });
    guard.run([&] {
        LabelIteration->setText(engine::GetResourceString(kIterationText));
        LabelTrial->setText(engine::GetResourceString(kTrialText));
        LabelRuntime->setText(engine::GetResourceString(kRuntimeText));
        LabelOriginal->setText(engine::GetResourceString(kOriginalText));
        LabelBest->setText(engine::GetResourceString(kBestText));
        CommandWatcher->setText(engine::GetResourceString(kWatcherText));
        CommandExcelUpdate->setText(engine::GetResourceString(kExcelUpdateText));
        CommandRun->setText(engine::GetResourceString(kRunText));
        CommandPause->setText(engine::GetResourceString(kPauseText));
        CommandStop->setText(engine::GetResourceString(kStopText));
    });
    guard.run([&] {
        m_ExcelUpdatingMenu =
            ExcelUpdatingMenu::build(windowRef(), ExcelUpdatingMenu::kCompactOnText,
                                     ExcelUpdatingMenu::kCompactBestText, ExcelUpdatingMenu::kCompactOffText);
    });
}

void FormProgressSmall::AdjustLayoutForLanguage() {
    ApplyFormLocalization(false);
    FrameBothQxAndTrellan->setFrameShape(QFrame::NoFrame);
    FrameBottom->setFrameShape(QFrame::NoFrame);

    const auto server = engine::ProcessState::resourceServer();
    const int language = server != nullptr ? server->language() : 0;
    const bool solver = m_Manager != nullptr && m_Manager->Input_ConstraintSolverMode();
    const LanguageWidening w = languageWidening(language, solver);
    const int total = w.labelExtra + w.textExtra;
    if (total != 0) {
        widenBy(FrameBothQxAndTrellan, total);
        widenBy(FrameDivider, total);
        widenBy(vbalProgressBar, total);
        widenBy(this, total);
        moveBy(CommandRun, total, 0);
        moveBy(CommandPause, total, 0);
        moveBy(CommandStop, total, 0);
    }
    if (w.labelExtra != 0) {
        for (QLineEdit* text : m_texts)
            moveBy(text, w.labelExtra, 0);
        for (QLabel* label : m_labels)
            widenBy(label, w.labelExtra);
    }
    if (w.textExtra != 0) {
        for (QLineEdit* text : m_texts)
            widenBy(text, w.textExtra);
    }
    showButtonImages(true);
}

void FormProgressSmall::showButtonImages(bool enabled) {
    using P = FormSurvival::Picture;
    CommandRun->setIcon(FormSurvival::ButtonIcon(P::Run, enabled));
    CommandPause->setIcon(FormSurvival::ButtonIcon(P::Pause, enabled));
    CommandStop->setIcon(FormSurvival::ButtonIcon(P::Stop, enabled));
    CommandExcelUpdate->setIcon(FormSurvival::ButtonIcon(P::ExcelUpdate, enabled));
    CommandWatcher->setIcon(FormSurvival::ButtonIcon(P::Watcher, enabled));
    m_buttonsShowEnabledImages = enabled;
}

void FormProgressSmall::GoToRunningConfig() {
    m_RunState = kRunStateRunning;
    ShowRunState();
}

void FormProgressSmall::GoToPausingConfig() {
    m_RunState = kRunStatePaused;
    ShowRunState();
}

void FormProgressSmall::ShowRunState() {
    ol::tryOr(false, [&] {
        const bool wasSetting = m_SettingControls;
        m_SettingControls = true;
        CommandRun->setChecked(m_RunState == kRunStateRunning);
        CommandPause->setChecked(m_RunState == kRunStatePaused);
        repaint();
        m_SettingControls = wasSetting;
        return true;
    });
}

void FormProgressSmall::ControlsAfterStopClickedDisableEnable(bool enable) {
    showButtonImages(enable);
    // The buttons stay clickable; their clicks are ignored.
    m_IgnoreExcelUpdateClicks = !enable;
    m_IgnoreRunControlClicks = !enable;
    m_IgnoreWatcherClicks = !enable;
}

void FormProgressSmall::RestoreRunPauseButtonState() {
    ol::tryOr(false, [&] {
        const bool wasIgnoring = m_IgnoreRunControlClicks;
        m_IgnoreRunControlClicks = true;
        if (m_RunState == kRunStateRunning)
            CommandRun->setChecked(true);
        else if (m_RunState == kRunStatePaused)
            CommandPause->setChecked(true);
        m_IgnoreRunControlClicks = wasIgnoring;
        return true;
    });
}

void FormProgressSmall::undoToggle(QAbstractButton* button, bool pressed) {
    const bool wasBlocked = button->blockSignals(true);
    button->setChecked(pressed);
    button->blockSignals(wasBlocked);
}

void FormProgressSmall::SendFocusAway() {
    ol::tryOr(false, [&] {
        CommandToSendFocusTo->setFocus(Qt::OtherFocusReason);
        return true;
    });
}

void FormProgressSmall::CommandRun_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks || m_Manager == nullptr) {
        undoToggle(CommandRun, !CommandRun->isChecked());
        return;
    }
    ol::tryOr(false, [&] {
        SendFocusAway();
        m_Manager->CommandResumeOptimization_ProcessClick();
        return true;
    });
}

void FormProgressSmall::CommandPause_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks || m_Manager == nullptr) {
        undoToggle(CommandPause, !CommandPause->isChecked());
        return;
    }
    ol::tryOr(false, [&] {
        SendFocusAway();
        m_Manager->CommandPauseOptimization_ProcessClick();
        return true;
    });
}

void FormProgressSmall::CommandStop_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks || m_Manager == nullptr)
        return;
    log(QStringLiteral("FormProgressSmall.CommandStop_Click: Entering"));
    ol::StepGuard guard;
    const bool ok = guard.run([&] {
        SendFocusAway();
        log(QStringLiteral("FormProgress.CommandStop_Click: SendFocusAway returned"));
        m_Manager->CommandStopOptimization_ProcessClick();
        log(QStringLiteral("FormProgress.CommandStop_Click: m_Manager.CommandStopOptimization_ProcessClick returned"));
    });
    log(ok ? QStringLiteral("FormProgressSmall.CommandStop_Click: exiting without error")
           : QStringLiteral("FormProgressSmall.CommandStop_Click: exiting with error"));
}

void FormProgressSmall::CommandWatcher_Click() {
    if (m_IgnoreWatcherClicks || m_Manager == nullptr)
        return;
    ol::tryOr(false, [&] {
        m_Manager->ShowFullWatcher();
        return true;
    });
}

void FormProgressSmall::CommandExcelUpdate_Click() {
    if (m_Manager == nullptr) {
        undoToggle(CommandExcelUpdate, false);
        return;
    }
    ExcelUpdatingMenu::click(m_ExcelUpdatingMenu, *m_Manager, CommandExcelUpdate, m_IgnoreExcelUpdateClicks);
}

void FormProgressSmall::NotifyExcelIfMoved() {
    if (m_MoveWatch.movedSinceLastCheck(this) && m_Manager != nullptr)
        m_Manager->RequestXLUpdate();
}

void FormProgressSmall::CheckWindowMoved() {
    NotifyExcelIfMoved();
}

void FormProgressSmall::InitializeAfterFirstTrial() {}

void FormProgressSmall::Hide() {
    hide();
}

void FormProgressSmall::Unload() {
    hide();
    // An unloaded window forgets its controls' state; the next Initialize
    // loads it afresh.
    applyBaseLayout();
    m_loaded = false;
    m_ProgressBarShown = true;
    m_ExcelUpdatingMenu = ol::PopupMenu();
}

void FormProgressSmall::Dispose() {
    m_Manager = nullptr;
}

void FormProgressSmall::Show() {
    show();
}

bool FormProgressSmall::Visible() const {
    return isVisible();
}

void FormProgressSmall::SetTopmost(bool topmost) {
    setStaysOnTop(this, topmost);
}

int32_t FormProgressSmall::TopTwips() const {
    return windowPositionTwips(this).top;
}

ol::WindowRef FormProgressSmall::windowRef() {
    return ol::WindowRef::local(this);
}

void FormProgressSmall::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible() && m_Manager != nullptr)
        NotifyExcelIfMoved();
}

void FormProgressSmall::closeEvent(QCloseEvent* event) {
    // The person cannot close the window: only the manager ends it. A
    // spontaneous close comes from the window system (close box, task
    // manager); the end of the session still goes ahead.
    if (event->spontaneous() && !qApp->isSavingSession()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace watcher

#include "FormProgressSmallEF.h"

#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CompactSupport.h"
#include "DiagnosticLog.h"
#include "FormProgressSmall.h"
#include "Formatting.h"
#include "LanguageFont.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "TextProgressBar.h"
#include "Twips.h"
#include "WindowIcon.h"
#include "manager/WatcherManager.h"
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

// The designed layout in twips: the compact window's, with two value rows
// (trial, runtime) and without the Excel-updating button.
constexpr int kWindowWidth = 6660;
constexpr int kWindowHeight = 2400;
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
constexpr int kFrameHeight = 30 + 2 * kRowPitch;
constexpr int kDividerTop = kFrameTop + kFrameHeight + 60;
constexpr int kDividerHeight = 30;
constexpr int kBottomTop = kDividerTop + kDividerHeight + 60;
constexpr int kBottomHeight = 540;
// Reaches past the right edge so the run buttons, which move right when a
// translation widens the window, stay inside it.
constexpr int kBottomWidth = kWindowWidth + 3000;
constexpr int kButtonTop = 60;
constexpr int kButtonHeight = 420;

struct ButtonPlace {
    int left;
    int width;
};
constexpr ButtonPlace kWatcherPlace{120, 1200};
constexpr ButtonPlace kRunPlace{3300, 1080};
constexpr ButtonPlace kPausePlace{4440, 1020};
constexpr ButtonPlace kStopPlace{5520, 1020};

// Resource numbers of the window's texts.
constexpr int kCaptionText = 4124;
constexpr int kIterationText = 4102;
constexpr int kTrialText = 4104;
constexpr int kRuntimeText = 4105;
constexpr int kWatcherText = 4108;
constexpr int kRunText = 4110;
constexpr int kPauseText = 4111;
constexpr int kStopText = 4112;
constexpr int kTrialsWithValidText = 4119;
constexpr int kTrialsOfLimitText = 4120;
constexpr int kRuntimeOfLimitText = 4121;
constexpr int kWorkerProcessesText = 4127;

// Windows primary language numbers.
constexpr int kChinese = 4;
constexpr int kGerman = 7;
constexpr int kEnglish = 9;
constexpr int kSpanish = 10;
constexpr int kFrench = 12;
constexpr int kJapanese = 17;
constexpr int kPortuguese = 22;
constexpr int kRussian = 25;

} // namespace

FormProgressSmallEF::FormProgressSmallEF(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormProgressSmallEF"));
    createControls();
    applyBaseLayout();
}

FormProgressSmallEF::~FormProgressSmallEF() = default;

void FormProgressSmallEF::createControls() {
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
        text->setFocusPolicy(Qt::NoFocus);
    };
    makeRow(this, QStringLiteral("LabelIteration"), QStringLiteral("TextIteration"), LabelIteration, TextIteration);
    makeRow(FrameBothQxAndTrellan, QStringLiteral("LabelTrial"), QStringLiteral("TextTrial"), LabelTrial, TextTrial);
    makeRow(FrameBothQxAndTrellan, QStringLiteral("LabelRuntime"), QStringLiteral("TextRuntime"), LabelRuntime,
            TextRuntime);
    m_labels = {LabelIteration, LabelTrial, LabelRuntime};
    m_texts = {TextIteration, TextTrial, TextRuntime};

    auto makeButton = [this](const QString& name, bool toggle) {
        auto* button = new QPushButton(FrameBottom);
        button->setObjectName(name);
        button->setCheckable(toggle);
        button->setIconSize(QSize(16, 16));
        return button;
    };
    CommandWatcher = makeButton(QStringLiteral("CommandWatcher"), false);
    CommandRun = makeButton(QStringLiteral("CommandRun"), true);
    CommandPause = makeButton(QStringLiteral("CommandPause"), true);
    CommandStop = makeButton(QStringLiteral("CommandStop"), false);

    CommandToSendFocusTo = new QPushButton(this);
    CommandToSendFocusTo->setObjectName(QStringLiteral("CommandToSendFocusTo"));
    CommandToSendFocusTo->setFocusPolicy(Qt::StrongFocus);

    connect(CommandRun, &QPushButton::clicked, this, &FormProgressSmallEF::CommandRun_Click);
    connect(CommandPause, &QPushButton::clicked, this, &FormProgressSmallEF::CommandPause_Click);
    connect(CommandStop, &QPushButton::clicked, this, &FormProgressSmallEF::CommandStop_Click);
    connect(CommandWatcher, &QPushButton::clicked, this, &FormProgressSmallEF::CommandWatcher_Click);
}

void FormProgressSmallEF::applyBaseLayout() {
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
    placeButton(CommandRun, kRunPlace);
    placeButton(CommandPause, kPausePlace);
    placeButton(CommandStop, kStopPlace);
    m_SettingControls = false;
    setGeometryTwips(CommandToSendFocusTo, -600, -600, 300, 300);
}

void FormProgressSmallEF::load() {
    SetWindowIcon(this, kProductIconName, true);
    LabelIteration->setVisible(false);
    TextIteration->setVisible(false);
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

void FormProgressSmallEF::Initialize(manager::WatcherManager* manager) {
    m_Manager = manager;
    try {
        if (!m_loaded)
            load();
        m_SettingControls = true;
        m_ProgressBarShown = true;
        log(QStringLiteral("entering FormProgressSmallEF.Initialize"));
        AdjustLayoutForLanguage();
        if (!m_Manager->Input_SuppressProgressWindow())
            SetTopmost(true);
        GoToRunningConfig();
        Update();
        log(QStringLiteral("FormProgressSmallEF.Initialize, Update method returned"));
        if (!m_Manager->Input_SuppressProgressWindow()) {
            show();
            // The frame's size is known once the window is shown.
            PlaceAtDefaultPosition();
            repaint();
        }
        m_InitialPosition = windowPositionTwips(this);
        m_MoveWatch.remember(this);
        m_StartTick = DiagnosticLog::tickNow();
        if (m_Manager->Input_Runtime_TrialCount() <= 0 && m_Manager->Input_Runtime_Milliseconds() <= 0)
            HideProgressBar();
        m_SettingControls = false;
        log(QStringLiteral("Exiting FormProgressSmallEF.Initialize without error"));
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("FormProgressSmallEF.Initialize"));
        reportInitializeError(error.description(), QStringLiteral("0x") + error.hexNumber());
        m_SettingControls = false;
    }
}

void FormProgressSmallEF::reportInitializeError(const QString& description, const QString& number) {
    const QString text =
        QStringLiteral("Error in FormProgressSmallEF.Initialize method: ") + description + u" (" + number + u')';
    log(text);
    ol::tryOr(false, [&] {
        ol::errorReporter().reportError(
            ol::OLError(ol::kErrGeneral, QStringLiteral("FormProgressSmallEF.Initialize"), text), windowRef());
        return true;
    });
}

void FormProgressSmallEF::Update() {
    if (m_Manager == nullptr)
        return;
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
        const double pct = FormProgressSmall::progressPercent(trials, m_Manager->Input_Runtime_TrialCount(), elapsed,
                                                              m_Manager->Input_Runtime_Milliseconds());
        if (pct > 0) {
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
}

void FormProgressSmallEF::HideProgressBar() {
    vbalProgressBar->setVisible(false);
    moveBy(TextIteration, 0, -kHiddenProgressBarShiftTwips);
    moveBy(FrameBothQxAndTrellan, 0, -kHiddenProgressBarShiftTwips);
    moveBy(FrameDivider, 0, -kHiddenProgressBarShiftTwips);
    moveBy(FrameBottom, 0, -kHiddenProgressBarShiftTwips);
    heightenBy(this, -kHiddenProgressBarShiftTwips);
    m_ProgressBarShown = false;
    if (windowPositionTwips(this) == m_InitialPosition)
        PlaceAtDefaultPosition();
}

void FormProgressSmallEF::PlaceAtDefaultPosition() {
    const qint64 excelWindow = m_Manager != nullptr ? m_Manager->Input_ExcelAppHwnd() : 0;
    const ol::WorkArea area = ol::screenService().workAreaOfWindow(ol::WindowRef::host(excelWindow));
    const double left = area.leftEdge() * area.twipsPerPixelX + kDefaultPositionMarginTwips;
    const double bottom = area.bottomEdge() * area.twipsPerPixelY - kDefaultPositionMarginTwips;
    const double outerHeight = pixelsToTwips(frameGeometry().height(), this);
    moveTwips(this, left, bottom - outerHeight);
}

FormProgressSmallEF::LanguageWidening FormProgressSmallEF::languageWidening(int language) {
    switch (language) {
    case kChinese:
        return {0, 900};
    case kGerman:
        return {300, 130};
    case kEnglish:
        return {300, 0};
    case kSpanish:
        return {0, 400};
    case kFrench:
        return {450, -80};
    case kJapanese:
        return {100, 150};
    case kPortuguese:
        return {550, 30};
    case kRussian:
        return {400, 800};
    default:
        return {};
    }
}

void FormProgressSmallEF::ApplyFormLocalization(bool /*changingLanguage*/) {
    ApplyLanguageFont(this);
    ol::StepGuard guard;
    guard.run([&] {
        QString caption = engine::GetResourceString(kCaptionText);
        const int32_t workers = m_Manager != nullptr ? m_Manager->Input_MCoreNumWorkerProcesses() : 0;
        if (workers > 1)
            caption += u' ' + engine::GetResourceString(kWorkerProcessesText, workers);
        ol::windowService().setCaption(windowRef(), caption);
    });
    guard.run([&] {
        LabelIteration->setText(engine::GetResourceString(kIterationText));
        LabelTrial->setText(engine::GetResourceString(kTrialText));
        LabelRuntime->setText(engine::GetResourceString(kRuntimeText));
        CommandWatcher->setText(engine::GetResourceString(kWatcherText));
        CommandRun->setText(engine::GetResourceString(kRunText));
        CommandPause->setText(engine::GetResourceString(kPauseText));
        CommandStop->setText(engine::GetResourceString(kStopText));
    });
}

void FormProgressSmallEF::AdjustLayoutForLanguage() {
    ApplyFormLocalization(false);
    FrameBothQxAndTrellan->setFrameShape(QFrame::NoFrame);
    FrameBottom->setFrameShape(QFrame::NoFrame);

    const auto server = engine::ProcessState::resourceServer();
    const LanguageWidening w = languageWidening(server != nullptr ? server->language() : 0);
    const int total = w.labelExtra + w.textExtra;
    if (total != 0) {
        widenBy(FrameBothQxAndTrellan, total);
        widenBy(FrameDivider, total);
        widenBy(vbalProgressBar, total);
        // The shared library's scale factor of this window applies to the
        // widened bar (1 keeps it as it is).
        double factor = 1.0;
        ol::tryOr(false, [&] {
            factor = ol::screenService().scaleFactor(windowRef());
            return true;
        });
        if (factor > 0 && std::isfinite(factor) && factor != 1.0)
            resizeTwips(vbalProgressBar, wholeTwips(widthTwips(vbalProgressBar) * factor),
                        wholeTwips(heightTwips(vbalProgressBar)));
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

void FormProgressSmallEF::showButtonImages(bool enabled) {
    using P = FormSurvival::Picture;
    CommandRun->setIcon(FormSurvival::ButtonIcon(P::Run, enabled));
    CommandPause->setIcon(FormSurvival::ButtonIcon(P::Pause, enabled));
    CommandStop->setIcon(FormSurvival::ButtonIcon(P::Stop, enabled));
    CommandWatcher->setIcon(FormSurvival::ButtonIcon(P::Watcher, enabled));
    m_buttonsShowEnabledImages = enabled;
}

void FormProgressSmallEF::GoToRunningConfig() {
    m_RunState = kRunStateRunning;
    ShowRunState();
}

void FormProgressSmallEF::GoToPausingConfig() {
    m_RunState = kRunStatePaused;
    ShowRunState();
}

void FormProgressSmallEF::ShowRunState() {
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

void FormProgressSmallEF::ControlsAfterStopClickedDisableEnable(bool enable) {
    showButtonImages(enable);
    m_IgnoreRunControlClicks = !enable;
    m_IgnoreWatcherClicks = !enable;
}

void FormProgressSmallEF::RestoreRunPauseButtonState() {
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

void FormProgressSmallEF::undoToggle(QAbstractButton* button, bool pressed) {
    const bool wasBlocked = button->blockSignals(true);
    button->setChecked(pressed);
    button->blockSignals(wasBlocked);
}

void FormProgressSmallEF::SendFocusAway() {
    ol::tryOr(false, [&] {
        CommandToSendFocusTo->setFocus(Qt::OtherFocusReason);
        return true;
    });
}

void FormProgressSmallEF::CommandRun_Click() {
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

void FormProgressSmallEF::CommandPause_Click() {
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

void FormProgressSmallEF::CommandStop_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks || m_Manager == nullptr)
        return;
    ol::tryOr(false, [&] {
        SendFocusAway();
        m_Manager->CommandStopOptimization_ProcessClick();
        return true;
    });
}

void FormProgressSmallEF::CommandWatcher_Click() {
    if (m_IgnoreWatcherClicks || m_Manager == nullptr)
        return;
    ol::tryOr(false, [&] {
        m_Manager->ShowFullWatcher();
        return true;
    });
}

void FormProgressSmallEF::NotifyExcelIfMoved() {
    if (m_MoveWatch.movedSinceLastCheck(this) && m_Manager != nullptr)
        m_Manager->RequestXLUpdate();
}

void FormProgressSmallEF::CheckWindowMoved() {
    NotifyExcelIfMoved();
}

void FormProgressSmallEF::InitializeAfterFirstTrial() {}

void FormProgressSmallEF::Hide() {
    hide();
}

void FormProgressSmallEF::Unload() {
    hide();
    // An unloaded window forgets its controls' state; the next Initialize
    // loads it afresh.
    applyBaseLayout();
    m_loaded = false;
    m_ProgressBarShown = true;
}

void FormProgressSmallEF::Dispose() {
    m_Manager = nullptr;
}

void FormProgressSmallEF::Show() {
    show();
}

bool FormProgressSmallEF::Visible() const {
    return isVisible();
}

void FormProgressSmallEF::SetTopmost(bool topmost) {
    setStaysOnTop(this, topmost);
}

int32_t FormProgressSmallEF::TopTwips() const {
    return windowPositionTwips(this).top;
}

ol::WindowRef FormProgressSmallEF::windowRef() {
    return ol::WindowRef::local(this);
}

void FormProgressSmallEF::closeEvent(QCloseEvent* event) {
    if (event->spontaneous() && !qApp->isSavingSession()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace watcher

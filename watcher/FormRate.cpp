#include "FormRate.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "DiagnosticLog.h"
#include "FormSurvival.h"
#include "Formatting.h"
#include "LanguageFont.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WindowIcon.h"
#include "ol/MessageBoxService.h"
#include "ol/TextUtils.h"
#include "ol/VisualServices.h"
#include "ol/WindowRef.h"

namespace watcher {

namespace {
const QString kTitle = QStringLiteral("Selvane");
constexpr double kMinimumRate = 0.01;
constexpr double kMaximumRate = 1.0;
} // namespace

FormRate::FormRate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormRate"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resizeTwips(this, 4200, 1500);
    LabelRate = new QLabel(this);
    LabelRate->setObjectName(QStringLiteral("LabelRate"));
    setGeometryTwips(LabelRate, 120, 120, 2600, 255);
    TextRate = new QLineEdit(this);
    TextRate->setObjectName(QStringLiteral("TextRate"));
    setGeometryTwips(TextRate, 2800, 90, 1200, 315);
    CommandOK = new QPushButton(this);
    CommandOK->setObjectName(QStringLiteral("CommandOK"));
    CommandOK->setDefault(true);
    setGeometryTwips(CommandOK, 1600, 900, 1150, 375);
    CommandCancel = new QPushButton(this);
    CommandCancel->setObjectName(QStringLiteral("CommandCancel"));
    setGeometryTwips(CommandCancel, 2850, 900, 1150, 375);
    connect(CommandOK, &QPushButton::clicked, this, [this] { CommandOK_Click(); });
    connect(CommandCancel, &QPushButton::clicked, this, [this] { CommandCancel_Click(); });
}

void FormRate::Prepare(bool crossoverNotMutation, double rateIn) {
    setWindowTitle(kTitle);
    ol::windowService().setCaption(ol::WindowRef::local(this), kTitle);
    SetWindowIcon(this, kProductIconName, true);
    ApplyLanguageFont(this);
    LabelRate->setText(engine::GetResourceString(crossoverNotMutation ? 4200 : 4202));
    TextRate->setText(engine::FormatNumberGeneral(rateIn));
    TextRate->selectAll();
    CommandCancel->setText(engine::GetCommonString(3));
    CommandOK->setText(engine::GetCommonString(2));
    m_Cancelled = false;
}

bool FormRate::TypedRate(double& rateOut) const {
    if (m_Cancelled)
        return false;
    const std::optional<double> rate = ol::parseNumber(TextRate->text());
    if (!rate)
        return false;
    rateOut = *rate;
    return true;
}

bool FormRate::ShowDialog(bool crossoverNotMutation, double rateIn, double& rateOut) {
    Prepare(crossoverNotMutation, rateIn);
    setModal(true);
    exec();
    return TypedRate(rateOut);
}

void FormRate::CommandOK_Click() {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(QStringLiteral("FormRate, Processsing CommandOK_Click"));
    if (ol::isNumberInRange(TextRate->text(), kMinimumRate, kMaximumRate)) {
        m_Cancelled = false;
        hide();
        return;
    }
    ol::MessageRequest request;
    request.title = kTitle;
    request.text = engine::GetResourceString(4201);
    request.kind = ol::MessageKind::Warning;
    request.systemModal = true;
    request.owner = ol::WindowRef::local(this);
    ol::messageBoxService().showMessage(request);
}

void FormRate::CommandCancel_Click() {
    m_Cancelled = true;
    hide();
}

void FormRate::reject() {
    m_Cancelled = true;
    QDialog::reject();
}

} // namespace watcher

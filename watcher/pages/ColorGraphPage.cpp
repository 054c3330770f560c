#include "ColorGraphPage.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "DiagnosticLog.h"
#include "PageLayout.h"
#include "PopulationReader.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

ColorGraphPicture::ColorGraphPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorGraphPicture::setPicture(QImage picture) {
    m_picture = std::move(picture);
    update();
}

void ColorGraphPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(QPoint(0, 0), m_picture);
}

ColorGraphPage::ColorGraphPage(QFrame* frame) : WatcherPage(frame) {
    LabelPopulationColorGraph = new QLabel(frame);
    LabelPopulationColorGraph->setObjectName(QStringLiteral("LabelPopulationColorGraph"));
    PopulationColorGraph = new ColorGraphPicture(frame);
    PopulationColorGraph->setObjectName(QStringLiteral("PopulationColorGraph"));
    TimerForColorGraph = new QTimer(this);
    TimerForColorGraph->setObjectName(QStringLiteral("TimerForColorGraph"));
    TimerForColorGraph->setSingleShot(true);
    TimerForColorGraph->setInterval(kTimerIntervalMs);
    connect(TimerForColorGraph, &QTimer::timeout, this, [this] { TimerForColorGraph_Timer(); });
    // Enabled from the start: the first tick finds the run not yet set up
    // after its first trial and draws nothing.
    TimerForColorGraph->start();
    setGeometryTwips(LabelPopulationColorGraph, 60, 60, kPageWidthTwips - 240, 255);
    setGeometryTwips(PopulationColorGraph, 60, 360, kPageWidthTwips - 240, kPageHeightTwips - 480);
}

bool ColorGraphPage::AppliesTo(const manager::WatcherManager& manager) const {
    return manager.Input_OptimizationEngine() == 1;
}

void ColorGraphPage::ApplyLocalization(const manager::WatcherManager* /*manager*/) {
    LabelPopulationColorGraph->setText(engine::GetResourceString(4026));
}

void ColorGraphPage::InitializePage() {
    m_table.initialize(manager()->Input_PopulationSize(), manager()->Input_AllGeneNamesCol().count());
    log(QStringLiteral("WATCHER: ColorGraph_Initialize returned"));
}

void ColorGraphPage::Update(const PageUpdate& update) {
    if (update.selected || update.force)
        ColorGraph_Update();
}

void ColorGraphPage::PageSelected() {
    ColorGraph_ScheduleRedraw(true);
}

void ColorGraphPage::ColorGraph_ScheduleRedraw(bool colorGraphTabSelected) {
    if (colorGraphTabSelected)
        TimerForColorGraph->start();
}

void ColorGraphPage::TimerForColorGraph_Timer() {
    TimerForColorGraph->stop();
    if (manager() != nullptr && manager()->GotInitializedAfterFirstTrial())
        ColorGraph_Update();
}

bool ColorGraphPage::ColorGraph_Update() {
    if (manager() == nullptr)
        return false;
    manager::EnginePopulationReader reader(*manager());
    return ColorGraph_Update(reader);
}

bool ColorGraphPage::ColorGraph_Update(manager::PopulationReader& reader) {
    try {
        if (manager() == nullptr)
            return false;
        const uint32_t t0 = engine::DiagnosticLog::tickNow();
        std::vector<int32_t> methods;
        const engine::TaggedCollection& groups = manager()->Input_GroupNames();
        const engine::TaggedCollection& groupMethods = manager()->Input_GroupSolvingMethods();
        for (int c = 1; c <= groups.count(); ++c)
            methods.push_back(c <= groupMethods.count() ? static_cast<int32_t>(groupMethods.item(c).toDouble()) : 0);
        if (!m_table.read(reader, methods))
            return false;
        const uint32_t readTicks = engine::DiagnosticLog::tickNow() - t0;
        // The colours and the drawing need nothing from the population: they
        // wait until the window's update has let go of the population lock.
        manager()->afterPopulationUnlock([page = QPointer<ColorGraphPage>(this), readTicks] {
            if (page != nullptr)
                page->DrawColorGraph(readTicks);
        });
        return true;
    } catch (...) {
        engine::DiagnosticLog::WriteError(QStringLiteral("ColorGraph_Update"),
                                          ol::currentExceptionAsError(QStringLiteral("ColorGraph_Update")));
        return false;
    }
}

void ColorGraphPage::DrawColorGraph(uint32_t readTicks) {
    try {
        const uint32_t t0 = engine::DiagnosticLog::tickNow();
        m_table.computeColors();
        const double twipsPerPixel = pixelsToTwips(1000, PopulationColorGraph) / 1000.0;
        PopulationColorGraph->setPicture(DrawColorTable(m_table, PopulationColorGraph->size(), twipsPerPixel,
                                                        PopulationColorGraph->palette().color(QPalette::Window)));
        if (engine::DiagnosticLog::isOn())
            engine::DiagnosticLog::WriteLine(QStringLiteral("Color table update time: ") +
                                             QString::number(readTicks + (engine::DiagnosticLog::tickNow() - t0)) +
                                             QStringLiteral(" milliseconds."));
        Q_EMIT colorGraphDrawn();
    } catch (...) {
        engine::DiagnosticLog::WriteError(QStringLiteral("ColorGraph_Update"),
                                          ol::currentExceptionAsError(QStringLiteral("ColorGraph_Update")));
    }
}

QImage ColorGraphPage::DrawColorTable(const manager::PopulationColorTable& table, QSize size, double twipsPerPixel,
                                      QColor background) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(background);
    const int32_t organisms = table.organismCount();
    const int32_t genes = table.geneCount();
    if (organisms == 0 || genes == 0 || twipsPerPixel <= 0)
        return image;
    // The layout in whole twips, as the boxes are specified: each cell is the
    // picture's inner size divided by the cell count, the box the cell less
    // the gap.
    const auto widthTwips = static_cast<int32_t>(size.width() * twipsPerPixel);
    const auto heightTwips = static_cast<int32_t>(size.height() * twipsPerPixel);
    const int32_t cellW = widthTwips / genes;
    const int32_t cellH = heightTwips / organisms;
    const auto px = [twipsPerPixel](int32_t twips) { return static_cast<int>(twips / twipsPerPixel + 0.5); };
    const auto& palette = manager::PopulationColorTable::palette();
    std::array<QColor, manager::PopulationColorTable::kColorCount> colors;
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = QColor(QRgb(palette[i]));

    QPainter painter(&image);
    for (int32_t o = 1; o <= organisms; ++o) {
        const int top = px((o - 1) * cellH);
        const int height = std::max(1, px((o - 1) * cellH + cellH - kBoxGap) - top);
        for (int32_t r = 1; r <= genes; ++r) {
            const int left = px((r - 1) * cellW);
            const int width = std::max(1, px((r - 1) * cellW + cellW - kBoxGap) - left);
            painter.fillRect(left, top, width, height, colors[static_cast<size_t>(table.colorIndex(o, r))]);
        }
    }
    return image;
}

// The colour graph's area follows the tab and keeps its bottom a fixed
// distance above the page's bottom; the next refresh check redraws it.
void ColorGraphPage::LayoutPage(const manager::WatcherLayout& layout) {
    setWidthTwips(LabelPopulationColorGraph, layout.colorGraphWidth);
    const double top = topTwips(PopulationColorGraph);
    setGeometryTwips(PopulationColorGraph, 60, top, layout.colorGraphWidth,
                     manager::WatcherLayout::fitGridHeight(top, layout.colorGraphHeight,
                                                           layout.frameHeight - layout.colorGraphBottomMargin));
}

} // namespace watcher

#pragma once

#include <QImage>
#include <QObject>
#include <QWidget>

#include "PopulationColorTable.h"
#include "WatcherPage.h"

class QFrame;
class QLabel;
class QTimer;

namespace manager {
class WatcherManager;
class PopulationReader;
} // namespace manager

namespace watcher {

// The picture box of the colour graph: shows the last picture drawn. It
// paints its whole area, so repainting it never asks the window beneath to
// repaint (which would schedule another redraw).
class ColorGraphPicture final : public QWidget {
    Q_OBJECT

public:
    explicit ColorGraphPicture(QWidget* parent = nullptr);
    void setPicture(QImage picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

// Page 4 of the Watcher window: the population as a matrix of coloured
// boxes, organisms down and genes across (at most 256 x 256), in the classic
// 16-colour palette. A column of one colour is a gene on which the
// population has converged. The timer TimerForColorGraph (1 ms, single
// shot) redraws the graph once right after a paint, a resize or a change of
// tab, so the picture follows the window without a redraw per message.
class ColorGraphPage final : public WatcherPage {
    Q_OBJECT

public:
    // The gap between boxes, in twips (about one pixel).
    static constexpr int32_t kBoxGap = 14;
    static constexpr int kTimerIntervalMs = 1;

    // Creates the caption, the picture box and the timer (running) on the
    // page's frame.
    explicit ColorGraphPage(QFrame* frame);

    QLabel* label() const { return LabelPopulationColorGraph; }
    ColorGraphPicture* picture() const { return PopulationColorGraph; }
    QTimer* timer() const { return TimerForColorGraph; }
    const manager::PopulationColorTable& colorTable() const { return m_table; }

    // Recomputes the cells from the population and draws them. False when
    // nothing will be drawn (a negative gene count, or an error). The first
    // form reads the run's population. The reads happen at once; the colours
    // are worked out and drawn once the manager's update has released the
    // population lock (at once when it holds none).
    bool ColorGraph_Update();
    bool ColorGraph_Update(manager::PopulationReader& reader);
    // Starts the redraw timer when the colour graph's tab is the selected one.
    void ColorGraph_ScheduleRedraw(bool colorGraphTabSelected);
    // The timer's tick: stops the timer and, once the run has seen its first
    // trial, redraws.
    void TimerForColorGraph_Timer();

    // WatcherPage
    bool AppliesTo(const manager::WatcherManager& manager) const override;
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    // Redraws when its tab is selected or everything is forced.
    void Update(const PageUpdate& update) override;
    void LayoutPage(const manager::WatcherLayout& layout) override;
    // The tab was chosen, or the window painted, resized or shown with the
    // tab selected: one redraw, soon.
    void PageSelected() override;

    // The colour table drawn as boxes on a picture of `size` pixels, with
    // `background` in the gaps; `twipsPerPixel` turns the box layout, which
    // is worked out in twips, into pixels.
    static QImage DrawColorTable(const manager::PopulationColorTable& table, QSize size, double twipsPerPixel,
                                 QColor background);

protected:
    // ColorGraph_Initialize: sizes the colour table for the run.
    void InitializePage() override;

Q_SIGNALS:
    // A redraw finished: the picture shows the population as it is now.
    void colorGraphDrawn();

private:
    // The colours from the last read, drawn; logs the update's time with the
    // reads' ticks and signals colorGraphDrawn.
    void DrawColorGraph(uint32_t readTicks);

    QLabel* LabelPopulationColorGraph = nullptr;
    ColorGraphPicture* PopulationColorGraph = nullptr;
    QTimer* TimerForColorGraph = nullptr;
    manager::PopulationColorTable m_table;
};

} // namespace watcher

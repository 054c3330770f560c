#pragma once

#include <QImage>
#include <QObject>
#include <QWidget>

#include "PopulationColorTable.h"

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
class ColorGraphPage final : public QObject {
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

    // Sizes the colour table for the run and remembers the manager for the
    // timer's redraws.
    void ColorGraph_Initialize(manager::WatcherManager& manager);
    // Recomputes the cells from the population and draws them. False when
    // nothing was drawn (a negative gene count, or an error).
    bool ColorGraph_Update(manager::WatcherManager& manager);
    bool ColorGraph_Update(manager::WatcherManager& manager, manager::PopulationReader& reader);
    // Starts the redraw timer when the colour graph's tab is the selected one.
    void ColorGraph_ScheduleRedraw(bool colorGraphTabSelected);
    // The timer's tick: stops the timer and, once the run has seen its first
    // trial, redraws.
    void TimerForColorGraph_Timer();
    // Forgets the manager (the window's Dispose).
    void Dispose() { m_Manager = nullptr; }

    // The colour table drawn as boxes on a picture of `size` pixels, with
    // `background` in the gaps; `twipsPerPixel` turns the box layout, which
    // is worked out in twips, into pixels.
    static QImage DrawColorTable(const manager::PopulationColorTable& table, QSize size, double twipsPerPixel,
                                 QColor background);

Q_SIGNALS:
    // A redraw finished: the picture shows the population as it is now.
    void colorGraphDrawn();

private:
    QLabel* LabelPopulationColorGraph = nullptr;
    ColorGraphPicture* PopulationColorGraph = nullptr;
    QTimer* TimerForColorGraph = nullptr;
    manager::WatcherManager* m_Manager = nullptr;
    manager::PopulationColorTable m_table;
};

} // namespace watcher

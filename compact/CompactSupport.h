#pragma once

// Small layout and text helpers shared by the two compact progress windows.

#include <cmath>
#include <string>

#include <QString>
#include <QWidget>

#include "DiagnosticLog.h"
#include "Twips.h"
#include "ol/NumberFormat.h"

namespace watcher::compact {

// The twips helpers give fractions of a twip; the layout rules work with
// whole twips.
inline int wholeTwips(double twips) {
    return static_cast<int>(std::lround(twips));
}

inline void moveBy(QWidget* w, int dx, int dy) {
    moveTwips(w, wholeTwips(leftTwips(w)) + dx, wholeTwips(topTwips(w)) + dy);
}

inline void widenBy(QWidget* w, int dw) {
    resizeTwips(w, wholeTwips(widthTwips(w)) + dw, wholeTwips(heightTwips(w)));
}

inline void heightenBy(QWidget* w, int dh) {
    resizeTwips(w, wholeTwips(widthTwips(w)), wholeTwips(heightTwips(w)) + dh);
}

// A count or a limit as a plain number ("250", "1000").
inline QString plainNumber(double value) {
    return engine::DiagnosticLog::NumberText(value);
}

// The bar's text: the percentage formatted as "0" does in a cell (halves
// away from zero), followed by the percent sign.
inline QString percentText(double pct) {
    static const auto format = ol::NumberFormat::compile("0");
    std::string out;
    format->format(pct, out);
    return QString::fromStdString(out) + u'%';
}

} // namespace watcher::compact

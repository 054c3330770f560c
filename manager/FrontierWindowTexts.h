#pragma once

#include <cstdint>

#include <QString>
#include <QStringList>

#include "FrontierSolutions.h"

namespace manager {

class WatcherManager;

// What the efficient-frontier Watcher window shows, without the window: the
// texts of its summary rows, log types and stopping status, and the sizes its
// layout keeps. The window only puts these on its controls.

// Pages of the frontier window, by tab item, and their help topics.
inline constexpr int kFrontierTabCount = 4;
int32_t FrontierHelpContextForTab(int tab);

// ComboLogType: all trials, then the progress steps of each constraining
// value in optimization order ("<4067> <lhs> <operator> <value>"). The index
// of an entry is the log record selector (IDForQxLogReadRecordVB).
QStringList FrontierLogTypeEntries(const WatcherManager& manager);

// The summary grid's first caption: the constraint's left side and operator
// followed by "X".
QString FrontierSummaryFirstCaption(const WatcherManager& manager);
// Gene columns of the summary grid for that many adjustable cells (at most
// 1024).
int32_t FrontierGeneColumnCount(int32_t adjustableCells);
// Row k (1-based) of the summary grid as tab-separated cells: the
// constraining value, and either common string 1 in every further cell
// (no progress step of optimization k yet) or the frontier solution's trial,
// objective value and gene values. At most (numGenes + 3) * 15 characters;
// a text cut short keeps trailing tabs so the row keeps its cells.
QString FrontierSummaryRowText(WatcherManager& manager, int32_t k, int32_t numGenes);
// The same from value k's frontier solution as already read.
QString FrontierSummaryRowText(WatcherManager& manager, int32_t k, int32_t numGenes, const FrontierSolution& solution);

// LabelStoppingStatus: resource 4068 with the number of constraining values
// whose optimization recorded a progress step and the series' initial length.
QString FrontierStoppingStatus(const WatcherManager& manager);

// The smallest client area of the window, in twips.
inline constexpr double kFrontierMinClientWidth = 9200;
inline constexpr double kFrontierMinClientHeight = 6280;
struct TwipsSize {
    double width = 0;
    double height = 0;
};
// The client size kept: at least the smallest one in each direction.
TwipsSize FrontierClientSize(double width, double height);
// The side of the two square graphs of the progress page for a tab control
// of that size; never negative.
double FrontierGraphSide(double tabWidth, double tabHeight);

} // namespace manager

// The efficient-frontier graph written as a spreadsheet workbook (.xlsx):
// the points as cells and a native XY scatter chart (lines and markers) over
// them, the way the host shows the graph when the Watcher asks for it.
#pragma once

#include <optional>

#include <QString>

#include "manager/FrontierGraph.h"

namespace addin {

// A block of cells, zero-based, with the sheet it names ("" when none).
struct CellBlock {
    QString sheet;
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;
};

// "B3", "$B$3:$H$20", "Frontier!B3:H20" or "'My sheet'!B3"; nothing when the
// text is no cell reference the workbook can hold.
std::optional<CellBlock> parseCellBlock(const QString& text);

// Writes the workbook at path: from dataRange's top-left cell on, one pair
// of columns a series (a header row with the x axis' title and the series'
// name, then its points in the axes' number formats), and the chart covering
// placementRange, series colours 0xRRGGBB. Returns an empty text when the
// file is written, otherwise why not.
QString writeFrontierWorkbook(const QString& path, const manager::FrontierChart& chart, const QString& placementRange,
                              const QString& dataRange);

} // namespace addin

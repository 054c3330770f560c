#include "FrontierWorkbook.h"

#include <algorithm>
#include <deque>

#include <QRegularExpression>

#include <xlsxwriter.h>

namespace addin {

namespace {

const QString kDefaultSheet = QStringLiteral("Sheet1");
// The host's default column width and row height, in pixels, and the size of
// a chart before scaling: the chart is scaled to cover the placement range.
constexpr double kColumnPixels = 64.0;
constexpr double kRowPixels = 20.0;
constexpr double kChartWidthPixels = 480.0;
constexpr double kChartHeightPixels = 288.0;
// The largest row and column index a workbook holds.
constexpr int kLastRow = 1048575;
constexpr int kLastColumn = 16383;

std::optional<std::pair<int, int>> parseCell(const QString& text) {
    static const QRegularExpression cell(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})$"));
    const QRegularExpressionMatch m = cell.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    int column = 0;
    for (const QChar c : m.captured(1).toUpper())
        column = column * 26 + (c.unicode() - 'A' + 1);
    const int row = m.captured(2).toInt();
    if (row < 1 || row - 1 > kLastRow || column - 1 > kLastColumn)
        return std::nullopt;
    return std::pair{row - 1, column - 1};
}

// The C library keeps pointers to some texts until the workbook is closed,
// so every text handed to it lives here until then.
class Texts {
public:
    const char* operator()(const QString& text) { return m_texts.emplace_back(text.toUtf8()).constData(); }

private:
    std::deque<QByteArray> m_texts;
};

lxw_worksheet* sheetNamed(lxw_workbook* workbook, const QString& name, Texts& texts) {
    lxw_worksheet* sheet = workbook_get_worksheet_by_name(workbook, texts(name));
    return sheet ? sheet : workbook_add_worksheet(workbook, texts(name));
}

} // namespace

std::optional<CellBlock> parseCellBlock(const QString& text) {
    CellBlock block;
    QString cells = text.trimmed();
    const qsizetype bang = cells.lastIndexOf(QLatin1Char('!'));
    if (bang >= 0) {
        block.sheet = cells.left(bang);
        if (block.sheet.size() >= 2 && block.sheet.startsWith(QLatin1Char('\'')) &&
            block.sheet.endsWith(QLatin1Char('\'')))
            block.sheet = block.sheet.mid(1, block.sheet.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        if (block.sheet.isEmpty() || block.sheet.size() > 31)
            return std::nullopt;
        cells = cells.mid(bang + 1);
    }
    const QStringList corners = cells.split(QLatin1Char(':'));
    if (corners.size() > 2)
        return std::nullopt;
    const auto first = parseCell(corners.constFirst());
    const auto last = parseCell(corners.constLast());
    if (!first || !last)
        return std::nullopt;
    block.firstRow = std::min(first->first, last->first);
    block.lastRow = std::max(first->first, last->first);
    block.firstColumn = std::min(first->second, last->second);
    block.lastColumn = std::max(first->second, last->second);
    return block;
}

QString writeFrontierWorkbook(const QString& path, const manager::FrontierChart& chart, const QString& placementRange,
                              const QString& dataRange) {
    const std::optional<CellBlock> placement = parseCellBlock(placementRange);
    if (!placement)
        return QStringLiteral("The placement range \"%1\" is no cell reference.").arg(placementRange);
    const std::optional<CellBlock> data = parseCellBlock(dataRange);
    if (!data)
        return QStringLiteral("The data range \"%1\" is no cell reference.").arg(dataRange);
    const QString dataSheetName = data->sheet.isEmpty() ? kDefaultSheet : data->sheet;
    const QString chartSheetName = placement->sheet.isEmpty() ? dataSheetName : placement->sheet;
    for (const manager::FrontierChartSeries& series : chart.series) {
        const size_t points = std::min(series.x.size(), series.y.size());
        if (data->firstRow + static_cast<long long>(points) > kLastRow)
            return QStringLiteral("The series \"%1\" has more points than the sheet has rows.").arg(series.name);
    }
    if (data->firstColumn + 2 * static_cast<long long>(chart.series.size()) - 1 > kLastColumn)
        return QStringLiteral("The chart has more series than the sheet has columns.");

    Texts texts;
    lxw_workbook* workbook = workbook_new(texts(path));
    if (!workbook)
        return QStringLiteral("Cannot create the workbook %1.").arg(path);
    lxw_worksheet* dataSheet = sheetNamed(workbook, dataSheetName, texts);
    lxw_worksheet* chartSheet = sheetNamed(workbook, chartSheetName, texts);
    if (!dataSheet || !chartSheet) {
        workbook_close(workbook);
        return QStringLiteral("The sheet name \"%1\" is not allowed in a workbook.").arg(chartSheetName);
    }
    lxw_format* xFormat = workbook_add_format(workbook);
    lxw_format* yFormat = workbook_add_format(workbook);
    if (!chart.xNumberFormat.isEmpty())
        format_set_num_format(xFormat, texts(chart.xNumberFormat));
    if (!chart.yNumberFormat.isEmpty())
        format_set_num_format(yFormat, texts(chart.yNumberFormat));

    lxw_chart* scatter = workbook_add_chart(workbook, LXW_CHART_SCATTER_STRAIGHT_WITH_MARKERS);
    const char* sheetName = texts(dataSheetName);
    for (size_t i = 0; i < chart.series.size(); ++i) {
        const manager::FrontierChartSeries& series = chart.series[i];
        const auto points = static_cast<lxw_row_t>(std::min(series.x.size(), series.y.size()));
        const auto headerRow = static_cast<lxw_row_t>(data->firstRow);
        const auto xColumn = static_cast<lxw_col_t>(data->firstColumn + 2 * static_cast<int>(i));
        const auto yColumn = static_cast<lxw_col_t>(xColumn + 1);
        worksheet_write_string(dataSheet, headerRow, xColumn, texts(chart.xAxisTitle), nullptr);
        worksheet_write_string(dataSheet, headerRow, yColumn, texts(series.name), nullptr);
        for (lxw_row_t p = 0; p < points; ++p) {
            worksheet_write_number(dataSheet, headerRow + 1 + p, xColumn, series.x[p], xFormat);
            worksheet_write_number(dataSheet, headerRow + 1 + p, yColumn, series.y[p], yFormat);
        }
        if (points == 0)
            continue; // a series without points has no cells to plot
        lxw_chart_series* plotted = chart_add_series(scatter, nullptr, nullptr);
        chart_series_set_categories(plotted, sheetName, headerRow + 1, xColumn, headerRow + points, xColumn);
        chart_series_set_values(plotted, sheetName, headerRow + 1, yColumn, headerRow + points, yColumn);
        chart_series_set_name_range(plotted, sheetName, headerRow, yColumn);
        const lxw_color_t color = series.color & 0xFFFFFFu;
        lxw_chart_line line = {};
        line.color = color;
        chart_series_set_line(plotted, &line);
        chart_series_set_marker_type(plotted, LXW_CHART_MARKER_CIRCLE);
        lxw_chart_fill fill = {};
        fill.color = color;
        chart_series_set_marker_fill(plotted, &fill);
        chart_series_set_marker_line(plotted, &line);
    }
    if (!chart.title.isEmpty())
        chart_title_set_name(scatter, texts(chart.title));
    if (!chart.xAxisTitle.isEmpty())
        chart_axis_set_name(scatter->x_axis, texts(chart.xAxisTitle));
    if (!chart.yAxisTitle.isEmpty())
        chart_axis_set_name(scatter->y_axis, texts(chart.yAxisTitle));
    if (!chart.xNumberFormat.isEmpty())
        chart_axis_set_num_format(scatter->x_axis, texts(chart.xNumberFormat));
    if (!chart.yNumberFormat.isEmpty())
        chart_axis_set_num_format(scatter->y_axis, texts(chart.yNumberFormat));

    lxw_chart_options options = {};
    options.x_scale = (placement->lastColumn - placement->firstColumn + 1) * kColumnPixels / kChartWidthPixels;
    options.y_scale = (placement->lastRow - placement->firstRow + 1) * kRowPixels / kChartHeightPixels;
    if (placement->firstColumn == placement->lastColumn && placement->firstRow == placement->lastRow)
        options.x_scale = options.y_scale = 1.0; // a single cell: the chart's own size from there
    worksheet_insert_chart_opt(chartSheet, static_cast<lxw_row_t>(placement->firstRow),
                               static_cast<lxw_col_t>(placement->firstColumn), scatter, &options);

    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR)
        return QStringLiteral("Cannot write the workbook %1: %2").arg(path, QString::fromUtf8(lxw_strerror(closed)));
    return {};
}

} // namespace addin

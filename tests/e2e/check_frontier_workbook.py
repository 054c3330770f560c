#!/usr/bin/env python3
"""Reads a frontier workbook the way a spreadsheet program does (openpyxl)
and checks its chart against the frontier points given on the command line.

Usage: check_frontier_workbook.py WORKBOOK X:Y [X:Y ...]

The workbook must hold exactly one scatter chart with one series; the cells
that series' x and y references name must hold exactly the given points, in
order. Exit status 0 when they do, 1 with the reason on standard error when
not, 2 for a bad command line.
"""
import math
import sys

from openpyxl import load_workbook
from openpyxl.chart import ScatterChart
from openpyxl.utils.cell import range_to_tuple


def cells(workbook, reference):
    """The values of the cells a chart reference ("'Sheet'!$A$2:$A$6") names,
    row by row."""
    sheet, (min_col, min_row, max_col, max_row) = range_to_tuple(reference)
    sheet = sheet.strip("'").replace("''", "'")
    if sheet not in workbook.sheetnames:
        raise ValueError("the reference %s names no sheet of the workbook" % reference)
    rows = workbook[sheet].iter_rows(min_row=min_row, max_row=max_row, min_col=min_col, max_col=max_col,
                                     values_only=True)
    return [value for row in rows for value in row]


def same(a, b):
    return isinstance(a, (int, float)) and math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-15)


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        expected = [tuple(float(v) for v in point.split(":")) for point in argv[1:]]
    except ValueError:
        print("points must be X:Y pairs of numbers: %s" % " ".join(argv[1:]), file=sys.stderr)
        return 2
    workbook = load_workbook(argv[0])
    charts = [chart for sheet in workbook.worksheets for chart in sheet._charts]
    scatters = [chart for chart in charts if isinstance(chart, ScatterChart)]
    if len(charts) != 1 or len(scatters) != 1:
        print("expected one scatter chart, found %d charts (%d scatter)" % (len(charts), len(scatters)),
              file=sys.stderr)
        return 1
    series = scatters[0].series
    if len(series) != 1:
        print("expected one series in the scatter chart, found %d" % len(series), file=sys.stderr)
        return 1
    x_ref = series[0].xVal.numRef.f
    y_ref = series[0].yVal.numRef.f
    x = cells(workbook, x_ref)
    y = cells(workbook, y_ref)
    got = list(zip(x, y))
    if len(x) != len(y) or len(got) != len(expected) or not all(
            same(gx, ex) and same(gy, ey) for (gx, gy), (ex, ey) in zip(got, expected)):
        print("the chart's series (x %s, y %s) holds %s; the log's frontier is %s" % (x_ref, y_ref, got, expected),
              file=sys.stderr)
        return 1
    print("one scatter chart; its series (x %s, y %s) holds the %d frontier points" % (x_ref, y_ref, len(got)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

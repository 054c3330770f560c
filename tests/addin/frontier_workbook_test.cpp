// The frontier chart written as a workbook: the file is opened as the zip it
// is and its chart part read back, so the checks see what a spreadsheet
// program would read.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "FrontierWorkbook.h"
#include "HostExcelObject.h"

namespace {

// The chart part's kind and, per series, its name reference, colours and the
// cached x and y values, as JSON.
const char* kReadChart = R"PY(
import json, sys, zipfile, xml.etree.ElementTree as ET
ns = {'c': 'http://schemas.openxmlformats.org/drawingml/2006/chart',
      'a': 'http://schemas.openxmlformats.org/drawingml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
root = ET.fromstring(z.read('xl/charts/chart1.xml'))
drawing = z.read('xl/drawings/drawing1.xml').decode()
out = {'scatter': root.find('.//c:scatterChart', ns) is not None,
       'style': root.find('.//c:scatterStyle', ns).get('val'),
       'title': [''.join(t.text or '' for t in title.findall('.//a:t', ns)) for title in root.iter('{%s}title' % ns['c'])],
       'anchorFrom': drawing.count('<xdr:from>'), 'series': []}
for ser in root.findall('.//c:ser', ns):
    vals = lambda tag: [float(v.text) for v in ser.findall('c:%s//c:numCache/c:pt/c:v' % tag, ns)]
    out['series'].append({'name': ser.find('c:tx//c:f', ns).text,
                          'colors': sorted({c.get('val') for c in ser.findall('.//a:srgbClr', ns)}),
                          'x': vals('xVal'), 'y': vals('yVal'),
                          'xref': ser.find('c:xVal//c:f', ns).text})
print(json.dumps(out))
)PY";

QJsonObject readChart(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kReadChart), path});
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

std::vector<double> doubles(const QJsonValue& value) {
    std::vector<double> out;
    for (const QJsonValue& v : value.toArray())
        out.push_back(v.toDouble());
    return out;
}

manager::FrontierChart twoSeries() {
    return {QStringLiteral("Efficient frontier"),
            QStringLiteral("Risk"),
            QStringLiteral("Return"),
            QStringLiteral("0.00%"),
            QStringLiteral("#,##0.00"),
            {{QStringLiteral("Frontier"), {0.1, 0.2, 0.35}, {5.0, 7.5, 9.25}, 0xFF0000},
             {QStringLiteral("Current"), {0.25}, {6.5}, 0x00AA33}}};
}

TEST(FrontierWorkbook, ReadsCellReferencesAndRejectsOthers) {
    const auto block = addin::parseCellBlock(QStringLiteral("'My sheet'!$B$3:H20"));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->sheet, QStringLiteral("My sheet"));
    EXPECT_EQ(block->firstRow, 2);
    EXPECT_EQ(block->firstColumn, 1);
    EXPECT_EQ(block->lastRow, 19);
    EXPECT_EQ(block->lastColumn, 7);
    const auto reversed = addin::parseCellBlock(QStringLiteral("AA10:C2"));
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->firstColumn, 2);
    EXPECT_EQ(reversed->lastColumn, 26);
    EXPECT_EQ(reversed->firstRow, 1);
    for (const char* bad : {"", "B", "3", "B0", "XFE1", "A1:B2:C3", "!A1", "A1048577", "R1C1"})
        EXPECT_FALSE(addin::parseCellBlock(QString::fromLatin1(bad))) << bad;
}

TEST(FrontierWorkbook, WritesAScatterChartWithTheGivenSeriesAndColours) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frontier.xlsx"));
    ASSERT_EQ(addin::writeFrontierWorkbook(path, twoSeries(), QStringLiteral("H2:P20"), QStringLiteral("Data!B3")),
              QString());
    const QJsonObject chart = readChart(path);
    EXPECT_TRUE(chart[QStringLiteral("scatter")].toBool());
    EXPECT_EQ(chart[QStringLiteral("style")].toString(), QStringLiteral("lineMarker"));
    // The chart's title, then the x and the y axis' titles.
    EXPECT_EQ(chart[QStringLiteral("title")].toArray(),
              (QJsonArray{QStringLiteral("Efficient frontier"), QStringLiteral("Risk"), QStringLiteral("Return")}));
    EXPECT_EQ(chart[QStringLiteral("anchorFrom")].toInt(), 1);
    const QJsonArray series = chart[QStringLiteral("series")].toArray();
    ASSERT_EQ(series.size(), 2);
    const manager::FrontierChart input = twoSeries();
    for (int i = 0; i < 2; ++i) {
        const QJsonObject s = series[i].toObject();
        EXPECT_EQ(doubles(s[QStringLiteral("x")]), input.series[static_cast<size_t>(i)].x) << i;
        EXPECT_EQ(doubles(s[QStringLiteral("y")]), input.series[static_cast<size_t>(i)].y) << i;
    }
    // The data starts at the data range's corner: names in row 3, points below.
    EXPECT_EQ(series[0].toObject()[QStringLiteral("name")].toString(), QStringLiteral("Data!$C$3"));
    EXPECT_EQ(series[0].toObject()[QStringLiteral("xref")].toString(), QStringLiteral("Data!$B$4:$B$6"));
    EXPECT_EQ(series[1].toObject()[QStringLiteral("xref")].toString(), QStringLiteral("Data!$D$4"));
    EXPECT_EQ(series[0].toObject()[QStringLiteral("colors")].toArray(), QJsonArray{QStringLiteral("FF0000")});
    EXPECT_EQ(series[1].toObject()[QStringLiteral("colors")].toArray(), QJsonArray{QStringLiteral("00AA33")});
}

TEST(FrontierWorkbook, ReportsBadRangesAndUnwritablePaths) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.xlsx"));
    EXPECT_NE(addin::writeFrontierWorkbook(path, twoSeries(), QStringLiteral("nowhere"), QStringLiteral("A1")),
              QString());
    EXPECT_NE(addin::writeFrontierWorkbook(path, twoSeries(), QStringLiteral("A1"), QStringLiteral("A1048576")),
              QString());
    EXPECT_NE(addin::writeFrontierWorkbook(dir.filePath(QStringLiteral("no/such/folder/f.xlsx")), twoSeries(),
                                           QStringLiteral("A1"), QStringLiteral("B2")),
              QString());
}

TEST(FrontierWorkbook, TheHostObjectUnpacksFlatSeriesAndRefusesMismatchedOnes) {
    QTemporaryDir dir;
    addin::HostExcelObject excel;
    excel.setWorkbookFolder(dir.path());
    QStringList events;
    QObject::connect(&excel, &addin::HostExcelObject::hostEvent, [&](const QString& text) { events << text; });
    const QString chartPath =
        excel
            .AddFrontierChart(QStringLiteral("T"), QStringLiteral("X"), QStringLiteral("Y"), {}, {},
                              {QStringLiteral("A"), QStringLiteral("B")}, {0xFF0000, 0x0000FF}, {2, 1}, {1.0, 2.0, 3.0},
                              {4.0, 5.0, 6.0}, QStringLiteral("E1:L15"), QStringLiteral("A1"))
            .path();
    EXPECT_EQ(chartPath, QStringLiteral("/org/selvane/Host/Excel/Charts/Chart1"));
    ASSERT_FALSE(excel.lastWorkbook().isEmpty());
    const QJsonArray series = readChart(excel.lastWorkbook())[QStringLiteral("series")].toArray();
    ASSERT_EQ(series.size(), 2);
    EXPECT_EQ(doubles(series[0].toObject()[QStringLiteral("y")]), (std::vector<double>{4.0, 5.0}));
    EXPECT_EQ(doubles(series[1].toObject()[QStringLiteral("x")]), (std::vector<double>{3.0}));
    EXPECT_TRUE(events.constLast().contains(excel.lastWorkbook()));

    // Lengths that need more points than sent, or lists that disagree.
    EXPECT_EQ(excel
                  .AddFrontierChart({}, {}, {}, {}, {}, {QStringLiteral("A")}, {1}, {4}, {1.0}, {1.0},
                                    QStringLiteral("A1"), QStringLiteral("B1"))
                  .path(),
              QStringLiteral("/"));
    EXPECT_EQ(excel
                  .AddFrontierChart({}, {}, {}, {}, {}, {QStringLiteral("A")}, {}, {1}, {1.0}, {1.0},
                                    QStringLiteral("A1"), QStringLiteral("B1"))
                  .path(),
              QStringLiteral("/"));
}

} // namespace

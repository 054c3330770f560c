// The graph control: the points it shows, its axes (ranges, number formats,
// dates), image export, and its right-click menu with dialogs of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include "GraphControl.h"
#include "TaggedCollection.h"
#include "ol/Directories.h"
#include "ol/ResourceServer.h"
#include "ol/ScriptedVisualServices.h"
#include "ol/SpecialValues.h"

using watcher::GraphAxis;
using watcher::GraphControl;
using watcher::GraphPoints;

namespace {

std::vector<QPointF> pointsOf(const GraphControl& graph, int curve) {
    const QList<QPointF> list = graph.curvePoints(curve);
    return std::vector<QPointF>(list.begin(), list.end());
}

std::vector<QPointF> zipped(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<QPointF> out;
    for (std::size_t i = 0; i < x.size(); ++i)
        out.emplace_back(x[i], y[i]);
    return out;
}

// Runs `act` on the next modal dialog once it is up (the dialog's exec()
// blocks the test meanwhile), then lets the test go on.
void onNextModalDialog(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

class GraphControlTest : public ::testing::Test {
protected:
    GraphControlTest() : m_installed(m_services.asServices()) {
        m_graph.resize(400, 300);
        m_graph.NewGraph(GraphControl::kKindLineGraph, ol::kLanguageEnglish);
    }

    ol::ScriptedVisualServices m_services;
    ol::ScopedVisualServices m_installed;
    GraphControl m_graph;
};

TEST_F(GraphControlTest, ShowsExactlyThePointsGivenInOrderAcrossReplacements) {
    // Several replacements in a row with different lengths: the control
    // reuses its buffers, and each time shows exactly the last points given.
    const std::vector<std::vector<double>> xs = {{1, 5, 5, 9}, {1, 5}, {1, 5, 5, 9, 9, 20}, {3}};
    const std::vector<std::vector<double>> ys = {{10, 10, 7, 7}, {2, 1}, {10, 10, 7, 7, 4, 4}, {8}};
    for (std::size_t k = 0; k < xs.size(); ++k) {
        m_graph.ChangeDataSource(xs[k], ys[k]);
        ASSERT_EQ(pointsOf(m_graph, 1), zipped(xs[k], ys[k])) << "replacement " << k;
    }
    EXPECT_EQ(m_graph.CurveCount(), 1);

    GraphPoints twoRows;
    twoRows.append(0, 4);
    twoRows.append(2, 3);
    m_graph.ChangeDataSource(twoRows);
    EXPECT_EQ(pointsOf(m_graph, 1), zipped({0, 2}, {4, 3}));

    engine::TaggedCollection cx, cy;
    for (int i = 1; i <= 3; ++i) {
        cx.add(engine::TaggedValue::fromDouble(i));
        cy.add(engine::TaggedValue::fromDouble(i * i));
    }
    m_graph.ChangeDataSource(cx, cy);
    EXPECT_EQ(pointsOf(m_graph, 1), zipped({1, 2, 3}, {1, 4, 9}));

    m_graph.ChangeDataSource(std::vector<double>{}, std::vector<double>{});
    EXPECT_TRUE(m_graph.curvePoints(1).isEmpty());
}

TEST(GraphThinningTest, KeepsFirstLowestHighestAndLastOfEveryColumnInOrder) {
    // A noisy rising curve with runs of equal x, partly left and right of
    // the range shown.
    QList<QPointF> points;
    double x = -20;
    for (int i = 0; i < 5000; ++i) {
        x += (i % 7 == 0) ? 0.0 : 0.05 * (i % 3);
        points.append(QPointF(x, std::sin(i * 0.37) * 100 + i * 0.01));
    }
    const double minX = 0, maxX = 100;
    const int columns = 40;
    QList<QPointF> thinned;
    GraphControl::thinForColumns(points, minX, maxX, columns, thinned);
    ASSERT_FALSE(thinned.isEmpty());
    EXPECT_LE(thinned.size(), 4 * (columns + 2));
    EXPECT_EQ(thinned.constFirst(), points.constFirst());
    EXPECT_EQ(thinned.constLast(), points.constLast());

    // A subsequence of the points, in their order.
    qsizetype at = 0;
    for (const QPointF& p : thinned) {
        while (at < points.size() && points[at] != p)
            ++at;
        ASSERT_LT(at, points.size()) << "a thinned point out of order or not given";
        ++at;
    }
    // Every column keeps its extremes.
    const auto column = [&](double px) {
        const double c = std::floor((px - minX) * columns / (maxX - minX));
        return std::clamp(c, -1.0, double(columns));
    };
    for (int c = -1; c <= columns; ++c) {
        double lowAll = 1e300, highAll = -1e300, lowKept = 1e300, highKept = -1e300;
        for (const QPointF& p : points)
            if (column(p.x()) == c) {
                lowAll = std::min(lowAll, p.y());
                highAll = std::max(highAll, p.y());
            }
        for (const QPointF& p : thinned)
            if (column(p.x()) == c) {
                lowKept = std::min(lowKept, p.y());
                highKept = std::max(highKept, p.y());
            }
        EXPECT_EQ(lowKept, lowAll) << "column " << c;
        EXPECT_EQ(highKept, highAll) << "column " << c;
    }
}

TEST_F(GraphControlTest, ManyPointsAreDrawnThinnedButReportedWhole) {
    const int n = 100000;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] = i / 2;
        y[static_cast<std::size_t>(i)] = 1000.0 - (i + 1) / 2 * 0.001;
    }
    m_graph.ChangeDataSource(x, y);
    EXPECT_EQ(m_graph.curvePoints(1).size(), n);
    EXPECT_EQ(m_graph.curvePoints(1).constLast(), QPointF(x.back(), y.back()));
    const int drawn = m_graph.drawnPointCount(1);
    EXPECT_LE(drawn, 4 * (m_graph.width() + 2));

    // A narrower trial axis thins again for the new range: most points now
    // fall right of it, into one column.
    m_graph.DefineCustomAutoscaling(GraphAxis::X, 0, 100);
    EXPECT_LT(m_graph.drawnPointCount(1), drawn / 2);
    EXPECT_EQ(m_graph.curvePoints(1).size(), n);

    // Points whose x goes back are drawn as given.
    std::swap(x[10], x[20000]);
    m_graph.ChangeDataSource(x, y);
    EXPECT_EQ(m_graph.drawnPointCount(1), n);
    // A few points are never thinned.
    m_graph.ChangeDataSource(std::vector<double>{0, 1, 2}, std::vector<double>{5, 4, 3});
    EXPECT_EQ(m_graph.drawnPointCount(1), 3);
}

TEST_F(GraphControlTest, AddedCurvesAreChangedOneByOneAndBadArgumentsRaise) {
    m_graph.ChangeDataSource(std::vector<double>{1, 2}, std::vector<double>{1, 2});
    const int second = m_graph.AddCurve(std::vector<double>{1, 2}, std::vector<double>{5, 6},
                                        GraphControl::kStyleProgress, QStringLiteral("k = 2"));
    EXPECT_EQ(second, 2);
    EXPECT_EQ(m_graph.CurveStyle(2), GraphControl::kStyleProgress);
    m_graph.ChangeDataSource(std::vector<double>{7}, std::vector<double>{8}, 2);
    EXPECT_EQ(pointsOf(m_graph, 1), zipped({1, 2}, {1, 2}));
    EXPECT_EQ(pointsOf(m_graph, 2), zipped({7}, {8}));

    m_graph.SetCurveColor(2, 0xFF0000);
    EXPECT_EQ(m_graph.CurveColor(2), QColor(0xFF, 0, 0));

    EXPECT_THROW(m_graph.ChangeDataSource(std::vector<double>{1}, std::vector<double>{}), ol::OLError);
    EXPECT_THROW(m_graph.ChangeDataSource(std::vector<double>{1}, std::vector<double>{1}, 3), ol::OLError);
    EXPECT_THROW(m_graph.curvePoints(0), ol::OLError);

    // A new graph starts over without curves.
    m_graph.NewGraph(GraphControl::kKindLineGraph, ol::kLanguageEnglish, QStringLiteral("T"));
    EXPECT_EQ(m_graph.CurveCount(), 0);
    EXPECT_EQ(m_graph.Title(), QStringLiteral("T"));
}

TEST_F(GraphControlTest, AxisRangesFollowDataUnlessPinnedOrSetByHand) {
    m_graph.ChangeDataSource(std::vector<double>{1, 40}, std::vector<double>{3, 7});
    EXPECT_LE(m_graph.axisMinimum(GraphAxis::Y), 3);
    EXPECT_GE(m_graph.axisMaximum(GraphAxis::Y), 7);
    EXPECT_LE(m_graph.axisMinimum(GraphAxis::X), 1);
    EXPECT_GE(m_graph.axisMaximum(GraphAxis::X), 40);

    // A new best far above: the value axis grows with the data.
    m_graph.ChangeDataSource(std::vector<double>{1, 40, 40}, std::vector<double>{3, 7, 250});
    EXPECT_GE(m_graph.axisMaximum(GraphAxis::Y), 250);

    // A pinned trial axis keeps its range whatever the data.
    m_graph.DefineCustomAutoscaling(GraphAxis::X, -100, 0, true, 0);
    m_graph.SetScalingIsAutomatic(GraphAxis::X, true);
    m_graph.SetManualScalingAllowed(GraphAxis::X, false);
    m_graph.ChangeDataSource(std::vector<double>{-500, -1}, std::vector<double>{1, 2});
    EXPECT_DOUBLE_EQ(m_graph.axisMinimum(GraphAxis::X), -100);
    EXPECT_DOUBLE_EQ(m_graph.axisMaximum(GraphAxis::X), 0);
    EXPECT_EQ(m_graph.axisLabels(GraphAxis::X).constFirst(), QStringLiteral("-100"));
    EXPECT_EQ(m_graph.axisLabels(GraphAxis::X).constLast(), QStringLiteral("0"));
    EXPECT_FALSE(m_graph.ManualScalingAllowed(GraphAxis::X));

    // Given in the wrong order, the range is still minimum..maximum.
    m_graph.DefineCustomAutoscaling(GraphAxis::X, 2000, 0);
    EXPECT_DOUBLE_EQ(m_graph.axisMinimum(GraphAxis::X), 0);
    EXPECT_DOUBLE_EQ(m_graph.axisMaximum(GraphAxis::X), 2000);

    // Unpinned, the axis follows the data again.
    m_graph.DefineCustomAutoscaling(GraphAxis::X, 0, 2000, false);
    EXPECT_LE(m_graph.axisMinimum(GraphAxis::X), -500);
    EXPECT_GE(m_graph.axisMaximum(GraphAxis::X), -1);
    EXPECT_LT(m_graph.axisMaximum(GraphAxis::X), 2000);

    // Scaling turned off keeps the range shown then, even for new data.
    const double shownMax = m_graph.axisMaximum(GraphAxis::Y);
    m_graph.SetScalingIsAutomatic(GraphAxis::Y, false);
    m_graph.ChangeDataSource(std::vector<double>{0, 1}, std::vector<double>{0, 1e6});
    EXPECT_DOUBLE_EQ(m_graph.axisMaximum(GraphAxis::Y), shownMax);
}

TEST_F(GraphControlTest, FlatCurveAndSpecialValuesGiveAUsableRange) {
    m_graph.ChangeDataSource(std::vector<double>{1, 2}, std::vector<double>{5, 5});
    EXPECT_LT(m_graph.axisMinimum(GraphAxis::Y), 5);
    EXPECT_GT(m_graph.axisMaximum(GraphAxis::Y), 5);
    // A no-value point does not stretch the axis to -1E300.
    m_graph.ChangeDataSource(std::vector<double>{1, 2, 3}, std::vector<double>{5, 6, ol::kNoValue});
    EXPECT_GT(m_graph.axisMinimum(GraphAxis::Y), -1e6);
}

TEST_F(GraphControlTest, AxisLabelsUseTheHostNumberFormatAndDates) {
    m_graph.SetNumberFormat(GraphAxis::Y, QStringLiteral("0.0%"));
    m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{0.1, 0.5});
    const QStringList percent = m_graph.axisLabels(GraphAxis::Y);
    ASSERT_GE(percent.size(), 2);
    for (const QString& label : percent)
        EXPECT_TRUE(label.endsWith(u'%')) << label.toStdString();
    EXPECT_TRUE(percent.contains(QStringLiteral("50.0%")));

    // A date axis shows serial dates as dates in the axis's date format.
    m_graph.SetNumberFormat(GraphAxis::Y, QStringLiteral("m/d/yyyy"));
    m_graph.SetDateScaling(GraphAxis::Y, true);
    m_graph.DefineCustomAutoscaling(GraphAxis::Y, 45000, 45010);
    const QStringList dates = m_graph.axisLabels(GraphAxis::Y);
    ASSERT_FALSE(dates.isEmpty());
    EXPECT_EQ(dates.constFirst(), QStringLiteral("3/15/2023"));
    EXPECT_EQ(dates.constLast(), QStringLiteral("3/25/2023"));
    // A number format that is not a date gives the plain date form.
    m_graph.SetNumberFormat(GraphAxis::Y, QStringLiteral("0.00"));
    EXPECT_EQ(m_graph.axisLabels(GraphAxis::Y).constFirst(), QStringLiteral("3/15/2023"));

    // A format that shows neighbouring ticks alike still gets every tick.
    m_graph.SetDateScaling(GraphAxis::Y, false);
    m_graph.SetNumberFormat(GraphAxis::Y, QStringLiteral("0"));
    m_graph.DefineCustomAutoscaling(GraphAxis::Y, 0, 1);
    const QStringList rounded = m_graph.axisLabels(GraphAxis::Y);
    ASSERT_GE(rounded.size(), 3);
    EXPECT_EQ(rounded.constFirst(), QStringLiteral("0"));
    EXPECT_EQ(rounded.constLast(), QStringLiteral("1"));

    // An axis that follows the data takes a coarser step rather than show
    // two ticks alike.
    m_graph.DefineCustomAutoscaling(GraphAxis::Y, 0, 1, false);
    m_graph.SetNumberFormat(GraphAxis::Y, QStringLiteral("0.00%"));
    m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{0.079801, 0.079809});
    const QStringList fine = m_graph.axisLabels(GraphAxis::Y);
    ASSERT_GE(fine.size(), 2);
    EXPECT_EQ(QSet<QString>(fine.begin(), fine.end()).size(), fine.size()) << fine.join(u' ').toStdString();

    // Nor does it take a step whose ticks the format shows rounded: a
    // quarter of a hundredth of a percent under "0.00%" read 8.00%, 8.03%,
    // 8.05%, 8.08%; every label is now a whole number of steps apart.
    const auto checkEvenLabels = [this](double bottom, double top) {
        const QStringList even = m_graph.axisLabels(GraphAxis::Y);
        ASSERT_GE(even.size(), 3);
        ASSERT_LE(even.size(), 12) << even.join(u' ').toStdString();
        std::vector<double> shown;
        for (QString label : even)
            shown.push_back(label.remove(u'%').remove(QChar(0x200B)).toDouble());
        const double gap = shown[1] - shown[0];
        EXPECT_LT(gap, (top - bottom) * 100) << even.join(u' ').toStdString();
        for (size_t i = 1; i < shown.size(); ++i)
            EXPECT_NEAR(shown[i] - shown[i - 1], gap, 1e-9) << even.join(u' ').toStdString();
    };
    // Ranges of a few tenths of a percent, whatever step the height asks
    // for, and ranges across zero (where a format may read "-0.00%").
    for (double top = 0.0806; top < 0.0826; top += 0.0001) {
        m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{0.0798, top});
        checkEvenLabels(0.0798, top);
        m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{-0.025, top});
        checkEvenLabels(-0.025, top);
    }

    // Without a format the labels are in General.
    m_graph.DefineCustomAutoscaling(GraphAxis::X, 0, 1000);
    EXPECT_EQ(m_graph.axisLabels(GraphAxis::X).constLast(), QStringLiteral("1000"));
}

TEST_F(GraphControlTest, ExportWritesAnImageOfTheAskedSizeWithTheCurve) {
    QTemporaryDir dir;
    m_graph.SetTitle(QStringLiteral("Progress"));
    m_graph.ChangeDataSource(std::vector<double>{0, 50, 50, 100}, std::vector<double>{10, 10, 30, 30});
    m_graph.SetCurveColor(1, 0xFF0000);
    const QSize before = m_graph.size();

    const QString png = dir.filePath(QStringLiteral("graph.png"));
    ASSERT_TRUE(m_graph.ExportImage(png, GraphControl::kImageFormatPng, 640, 480));
    QImageReader reader(png);
    EXPECT_EQ(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), QSize(640, 480));
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++red;
        }
    EXPECT_GT(red, 100) << "the curve is drawn";
    EXPECT_EQ(m_graph.size(), before) << "exporting leaves the control as it was";

    EXPECT_TRUE(m_graph.ExportImage(dir.filePath(QStringLiteral("small.png")), GraphControl::kImageFormatPng, 90, 60));
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("small.png"))).size(), QSize(90, 60));
    EXPECT_FALSE(m_graph.ExportImage(dir.filePath(QStringLiteral("x.gif")), 4, 100, 100));
    EXPECT_FALSE(m_graph.ExportImage(dir.filePath(QStringLiteral("x.png")), GraphControl::kImageFormatPng, 0, 100));
    EXPECT_FALSE(
        m_graph.ExportImage(dir.filePath(QStringLiteral("missing/x.png")), GraphControl::kImageFormatPng, 100, 100));
}

TEST_F(GraphControlTest, ExportReplacesALinkPlantedAtTheGraphsNameInsteadOfWritingThroughIt) {
    // Another user who plants "<log>-progress.png" as a link to a file of
    // ours must not get that file overwritten.
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("thesis.tex"));
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    const QString png = dir.filePath(QStringLiteral("run-progress.png"));
    ASSERT_TRUE(QFile::link(victim, png));
    m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{1, 2});
    ASSERT_TRUE(m_graph.ExportImage(png, GraphControl::kImageFormatPng, 120, 90));
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("precious")) << "the export wrote through the link";
    EXPECT_FALSE(QFileInfo(png).isSymLink());
    EXPECT_EQ(QImage(png).size(), QSize(120, 90));
}

TEST_F(GraphControlTest, CopyPutsThePictureOnTheClipboard) {
    m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{1, 2});
    QGuiApplication::clipboard()->clear();
    m_services.queuePopupChoice(0); // "Copy picture"
    m_graph.ShowContextMenu();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), m_graph.size());
    EXPECT_FALSE(m_graph.ModalDialogBeingDisplayed());
}

TEST_F(GraphControlTest, RightClickMenuOffersItsItemsOnlyWhenEnabled) {
    m_graph.SetManualScalingAllowed(GraphAxis::X, false);
    m_services.queuePopupChoice(std::nullopt);
    m_graph.ShowContextMenu();
    const auto menus = m_services.callsOf(QStringLiteral("showPopupMenu"));
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].items.size(), 4);
    EXPECT_EQ(menus[0].window, ol::WindowRef::local(&m_graph));

    // The language of the graph chooses the menu's texts.
    m_graph.NewGraph(GraphControl::kKindLineGraph, ol::kLanguageGerman);
    m_services.queuePopupChoice(std::nullopt);
    m_graph.ShowContextMenu();
    EXPECT_EQ(m_services.callsOf(QStringLiteral("showPopupMenu"))[1].items.constFirst(),
              QStringLiteral("Bild kopieren"));

    // A right click while the menu is off shows nothing.
    m_graph.SetRightClickEnabled(false);
    m_graph.show();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10), m_graph.viewport()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(m_graph.viewport(), &click);
    EXPECT_EQ(m_services.callsOf(QStringLiteral("showPopupMenu")).size(), 2u);
    m_graph.SetRightClickEnabled(true);
    m_services.queuePopupChoice(std::nullopt);
    QApplication::sendEvent(m_graph.viewport(), &click);
    EXPECT_EQ(m_services.callsOf(QStringLiteral("showPopupMenu")).size(), 3u);
}

TEST_F(GraphControlTest, AxisRangeDialogIsReportedWhileUpAndSetsTheRange) {
    m_graph.show();
    m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{1, 2});
    bool reportedWhileUp = false;
    bool problemShown = false;
    // First a range with the minimum above the maximum (refused, the dialog
    // stays), then a good one.
    onNextModalDialog([&](QWidget* dialog) {
        reportedWhileUp = m_graph.ModalDialogBeingDisplayed();
        EXPECT_EQ(dialog->objectName(), QStringLiteral("AxisRangeDialog"));
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("ButtonBox"));
        auto* automatic = dialog->findChild<QCheckBox*>(QStringLiteral("CheckAutomatic"));
        EXPECT_TRUE(automatic->isChecked());
        EXPECT_FALSE(dialog->findChild<QLineEdit*>(QStringLiteral("EditMinimum"))->isEnabled());
        automatic->setChecked(false);
        dialog->findChild<QLineEdit*>(QStringLiteral("EditMinimum"))->setText(QStringLiteral("9"));
        dialog->findChild<QLineEdit*>(QStringLiteral("EditMaximum"))->setText(QStringLiteral("3"));
        box->button(QDialogButtonBox::Ok)->click();
        problemShown = dialog->isVisible() && dialog->findChild<QLabel*>(QStringLiteral("LabelProblem"))->isVisible();
        dialog->findChild<QLineEdit*>(QStringLiteral("EditMinimum"))->setText(QStringLiteral("-5"));
        dialog->findChild<QLineEdit*>(QStringLiteral("EditMaximum"))->setText(QStringLiteral("25"));
        box->button(QDialogButtonBox::Ok)->click();
    });
    m_services.queuePopupChoice(3); // "Set y-axis range..."
    m_graph.ShowContextMenu();
    EXPECT_TRUE(reportedWhileUp);
    EXPECT_TRUE(problemShown);
    EXPECT_FALSE(m_graph.ModalDialogBeingDisplayed());
    EXPECT_FALSE(m_graph.ScalingIsAutomatic(GraphAxis::Y));
    EXPECT_DOUBLE_EQ(m_graph.axisMinimum(GraphAxis::Y), -5);
    EXPECT_DOUBLE_EQ(m_graph.axisMaximum(GraphAxis::Y), 25);

    // Help of the dialog opens the control's help file at the dialog's topic;
    // Automatic scaling gives the axis back to the data.
    const QString helpFile = ol::helpFilePath(ol::kLanguageEnglish);
    m_graph.SetHelpFilePath(helpFile);
    onNextModalDialog([&](QWidget* dialog) {
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("ButtonBox"));
        box->button(QDialogButtonBox::Help)->click();
        dialog->findChild<QCheckBox*>(QStringLiteral("CheckAutomatic"))->setChecked(true);
        box->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_TRUE(m_graph.SetAxisRangeWithDialog(GraphAxis::Y));
    EXPECT_TRUE(m_graph.ScalingIsAutomatic(GraphAxis::Y));
    EXPECT_LT(m_graph.axisMaximum(GraphAxis::Y), 25);
    const auto help = m_services.callsOf(QStringLiteral("showHelp"));
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].text, helpFile);
    EXPECT_EQ(help[0].number, GraphControl::kHelpContextAxisRange);

    // Cancel changes nothing.
    onNextModalDialog([](QWidget* dialog) {
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("ButtonBox"))->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_FALSE(m_graph.SetAxisRangeWithDialog(GraphAxis::X));
    EXPECT_TRUE(m_graph.ScalingIsAutomatic(GraphAxis::X));
}

TEST_F(GraphControlTest, SaveDialogIsReportedWhileUpAndWritesThePicture) {
    QTemporaryDir dir;
    m_graph.show();
    m_graph.ChangeDataSource(std::vector<double>{0, 10}, std::vector<double>{1, 2});
    bool reportedWhileUp = false;
    const QString target = dir.filePath(QStringLiteral("saved"));
    onNextModalDialog([&](QWidget* widget) {
        reportedWhileUp = m_graph.ModalDialogBeingDisplayed();
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(target);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    m_services.queuePopupChoice(1); // "Save picture as..."
    m_graph.ShowContextMenu();
    EXPECT_TRUE(reportedWhileUp);
    EXPECT_FALSE(m_graph.ModalDialogBeingDisplayed());
    // The default suffix makes it a PNG file of the control's size.
    const QImage saved(target + QStringLiteral(".png"));
    EXPECT_EQ(saved.size(), m_graph.size());
}

} // namespace

#pragma once

#include <array>
#include <span>
#include <vector>

#include <QChartView>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QString>

QT_BEGIN_NAMESPACE
class QCategoryAxis;
class QChart;
class QLineSeries;
QT_END_NAMESPACE

namespace engine {
class TaggedCollection;
}

namespace watcher {

// The axes of a graph as the callers number them: 0 the x (trial) axis, 1
// the y (value) axis.
enum class GraphAxis { X = 0, Y = 1 };

// A two-row array of doubles: row 0 the x values, row 1 the y values, one
// column per point.
struct GraphPoints {
    std::vector<double> x;
    std::vector<double> y;

    int count() const { return static_cast<int>(x.size()); }
    void clear() {
        x.clear();
        y.clear();
    }
    void append(double px, double py) {
        x.push_back(px);
        y.push_back(py);
    }
};

// The Watcher's line-graph control: one graph with one or more curves over
// Qt Charts, with axis titles, number formats of the host's kind (a date
// axis shows dates), pinned axis ranges, image export and a right-click menu
// of its own (copy the picture, save it as a file, set an axis range) whose
// dialogs ModalDialogBeingDisplayed() reports while they are up.
//
// Curves are numbered from 1. ChangeDataSource replaces a curve's points in
// one step and keeps the axes' data ranges as the points are copied, so an
// update costs one pass over its points and one redraw.
class GraphControl : public QChartView {
    Q_OBJECT

public:
    // The graph kind of the Watcher's graphs: lines through the points in
    // the order given. Other kinds draw the same way.
    static constexpr int kKindLineGraph = 5;
    // ExportImage's formats: 1 BMP, 2 JPEG, 3 PNG.
    static constexpr int kImageFormatBmp = 1;
    static constexpr int kImageFormatJpeg = 2;
    static constexpr int kImageFormatPng = 3;
    // Curve styles: 1 points only, 2 a line with points, 7 the bold line of
    // a progress curve; any other a thin line.
    static constexpr int kStylePoints = 1;
    static constexpr int kStyleLineAndPoints = 2;
    static constexpr int kStyleProgress = 7;
    // Help contexts of the control's own dialogs in the help file.
    static constexpr int kHelpContextSavePicture = 9101;
    static constexpr int kHelpContextAxisRange = 9102;

    explicit GraphControl(QWidget* parent = nullptr);
    ~GraphControl() override;

    // Starts a new graph: no curves, automatic axes without titles or
    // formats, no title, legend shown. language (9 English, 7 German) picks
    // the texts of the control's menu and dialogs; text becomes the title.
    void NewGraph(int kind, int language, const QString& text = QString());
    int Kind() const { return m_kind; }
    int Language() const { return m_language; }

    void SetTitle(const QString& title);
    QString Title() const;
    void SetLegendVisible(bool visible);
    bool LegendVisible() const;

    void SetAxisTitle(GraphAxis axis, const QString& title);
    QString AxisTitle(GraphAxis axis) const;
    // The axis values are serial dates (1900 system): labels are dates in
    // the axis's number format when that is a date format, else "m/d/yyyy".
    void SetDateScaling(GraphAxis axis, bool on);
    bool DateScaling(GraphAxis axis) const;
    // The host's number format of the axis labels ("General" when empty).
    void SetNumberFormat(GraphAxis axis, const QString& code);
    QString NumberFormat(GraphAxis axis) const;
    // Pins the axis to minimum..maximum while enabled (and while its scaling
    // is automatic); disabled, the axis follows the data again.
    void DefineCustomAutoscaling(GraphAxis axis, double minimum, double maximum, bool enabled = true, int reserved = 0);
    // Automatic scaling: the pinned range, or the data's range when none is
    // pinned. Off, the axis keeps the range last set through the control's
    // axis-range dialog (or the one shown when it was turned off).
    void SetScalingIsAutomatic(GraphAxis axis, bool on);
    bool ScalingIsAutomatic(GraphAxis axis) const;
    // Whether the right-click menu offers the axis-range dialog for the axis.
    void SetManualScalingAllowed(GraphAxis axis, bool on);
    bool ManualScalingAllowed(GraphAxis axis) const;

    // The range the axis shows.
    double axisMinimum(GraphAxis axis) const;
    double axisMaximum(GraphAxis axis) const;
    // The labels the axis shows, left to right or bottom to top.
    QStringList axisLabels(GraphAxis axis) const;

    // Replaces the points of a curve (the first curve is created when the
    // graph has none). x and y must be of the same length.
    void ChangeDataSource(std::span<const double> x, std::span<const double> y, int curve = 1);
    void ChangeDataSource(const GraphPoints& points, int curve = 1);
    void ChangeDataSource(const engine::TaggedCollection& x, const engine::TaggedCollection& y, int curve = 1);

    // Adds a curve with its points, style and legend text; returns its number.
    int AddCurve(std::span<const double> x, std::span<const double> y, int style, const QString& name = QString());
    int AddCurve(const GraphPoints& points, int style, const QString& name = QString());
    int CurveCount() const { return static_cast<int>(m_curves.size()); }
    void SetCurveStyle(int curve, int style);
    int CurveStyle(int curve) const;
    // rgb as 0xRRGGBB.
    void SetCurveColor(int curve, QRgb rgb);
    QColor CurveColor(int curve) const;
    void SetCurveName(int curve, const QString& name);
    // The points a curve shows, in order.
    QList<QPointF> curvePoints(int curve) const;
    // How many points of the curve go to the drawing: fewer than
    // curvePoints() when the curve is thinned for the plot's width.
    int drawnPointCount(int curve) const;

    // A curve whose x values never decrease and that has more than this many
    // points per pixel column of the plot is drawn from thinned points.
    static constexpr int kThinningPointsPerColumn = 4;
    // The points that draw like `points` (x never decreasing) on a plot
    // `columns` pixels wide showing x from minX to maxX: of each run of
    // points that falls into one pixel column, the first, the lowest, the
    // highest and the last, in their order. Points left or right of the range
    // fall into the edge columns. The line drawn through them covers the same
    // pixels as the line through every point.
    static void thinForColumns(const QList<QPointF>& points, double minX, double maxX, int columns,
                               QList<QPointF>& out);

    // The control's own right-click menu.
    void SetRightClickEnabled(bool on) { m_rightClickEnabled = on; }
    bool RightClickEnabled() const { return m_rightClickEnabled; }
    // The help file of the control's dialogs.
    void SetHelpFilePath(const QString& path) { m_helpFilePath = path; }
    QString HelpFilePath() const { return m_helpFilePath; }
    // True while one of the control's own dialogs is up.
    bool ModalDialogBeingDisplayed() const { return m_modalDialogDepth > 0; }

    // The graph drawn at width x height pixels (the control itself keeps its
    // size).
    QImage RenderImage(int width, int height);
    // Writes the graph as an image file; false when the format is unknown,
    // the size is not positive or the file cannot be written.
    bool ExportImage(const QString& path, int format, int width, int height);

    // What the right-click menu offers, for the menu and for tests.
    void CopyPictureToClipboard();
    // The save dialog; true when a file was written.
    bool SavePictureWithDialog();
    // The axis-range dialog; true when a range was set.
    bool SetAxisRangeWithDialog(GraphAxis axis);
    // Shows the right-click menu (through the shared library's pop-up menu
    // service) and carries out the choice.
    void ShowContextMenu();

Q_SIGNALS:
    // A dialog of the control came up (true) or went (false).
    void modalDialogChanged(bool up);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct AxisState {
        QCategoryAxis* axis = nullptr;
        QString title;
        QString numberFormat;
        bool dateScaling = false;
        bool customEnabled = false;
        double customMin = 0.0;
        double customMax = 1.0;
        bool automatic = true;
        bool manualAllowed = true;
        double manualMin = 0.0;
        double manualMax = 1.0;
        // The range shown and the ticks it was labelled for.
        double shownMin = 0.0;
        double shownMax = 1.0;
        int shownTickTarget = 0;
        bool labelled = false;
    };
    struct Curve {
        QLineSeries* series = nullptr;
        int style = 0;
        // Two buffers used in turn: the series shares the one last given to
        // it, so the other can be refilled without a copy or an allocation.
        // buffers[current] holds every point given; a thinned curve hands
        // the series thinned[thinnedCurrent] instead.
        std::array<QList<QPointF>, 2> buffers;
        int current = 0;
        std::array<QList<QPointF>, 2> thinned;
        int thinnedCurrent = 0;
        bool xNonDecreasing = true;
        double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
        bool hasPoints = false;
    };

    AxisState& state(GraphAxis axis) { return m_axes[static_cast<std::size_t>(axis)]; }
    const AxisState& state(GraphAxis axis) const { return m_axes[static_cast<std::size_t>(axis)]; }
    Curve& curveAt(int curve);
    const Curve& curveAt(int curve) const;
    int createCurve(int style, const QString& name);
    void applyStyle(Curve& curve, int number);
    template <class GetX, class GetY> void fillCurve(int curve, int count, GetX getX, GetY getY);
    void updateAxes();
    void updateLegend();
    // Hands a curve's points (thinned when they are many) to its series.
    void drawCurve(Curve& curve);
    void redrawThinnable();
    int plotColumns() const;
    void updateAxis(GraphAxis axis);
    static std::vector<double> tickValues(double lo, double hi, double step);
    // Whether the ticks lo, lo + step, ... up to hi all get labels of their
    // own, each showing its tick's value rather than a rounded neighbour.
    bool distinctLabels(const AxisState& s, double lo, double hi, double step) const;
    QString labelText(const AxisState& s, double value) const;
    QString text(int id) const;
    void beginModal();
    void endModal();

    QChart* m_chart = nullptr;
    std::array<AxisState, 2> m_axes;
    std::vector<Curve> m_curves;
    int m_kind = kKindLineGraph;
    int m_language = 9;
    bool m_legendVisible = true;
    bool m_rightClickEnabled = true;
    QString m_helpFilePath;
    int m_modalDialogDepth = 0;
    // The plot width the curves were last thinned for.
    int m_thinnedForColumns = 0;
};

} // namespace watcher

#include "GraphControl.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "HelpTopics.h"
#include "TaggedCollection.h"
#include "ol/NumberFormat.h"
#include "ol/PopupMenu.h"
#include "ol/ResourceServer.h"
#include "ol/SafeFile.h"
#include "ol/SpecialValues.h"
#include "ol/TextUtils.h"
#include "ol/VisualServices.h"

namespace watcher {

namespace {

// The control's own texts (menu and dialogs), in the languages it knows.
enum TextId {
    TextCopyPicture,
    TextSavePicture,
    TextSetXRange,
    TextSetYRange,
    TextSaveTitle,
    TextImageFilters,
    TextRangeTitleX,
    TextRangeTitleY,
    TextMinimum,
    TextMaximum,
    TextAutomatic,
    TextBadRange,
    TextCount
};

constexpr std::array<const char16_t*, TextCount> kEnglish = {
    u"Copy picture",
    u"Save picture as...",
    u"Set x-axis range...",
    u"Set y-axis range...",
    u"Save picture",
    u"PNG image (*.png);;BMP image (*.bmp);;JPEG image (*.jpg *.jpeg)",
    u"X-axis range",
    u"Y-axis range",
    u"Minimum:",
    u"Maximum:",
    u"Automatic scaling",
    u"Enter two numbers, the minimum below the maximum.",
};

constexpr std::array<const char16_t*, TextCount> kGerman = {
    u"Bild kopieren",
    u"Bild speichern unter...",
    u"Bereich der x-Achse festlegen...",
    u"Bereich der y-Achse festlegen...",
    u"Bild speichern",
    u"PNG-Bild (*.png);;BMP-Bild (*.bmp);;JPEG-Bild (*.jpg *.jpeg)",
    u"Bereich der x-Achse",
    u"Bereich der y-Achse",
    u"Minimum:",
    u"Maximum:",
    u"Automatische Skalierung",
    u"Bitte zwei Zahlen eingeben, das Minimum kleiner als das Maximum.",
};

// Default curve colours, one per curve number in turn.
constexpr std::array<QRgb, 10> kCurveColors = {0x1f5fa8, 0xd0452f, 0x2e8b3e, 0x8e44ad, 0xe08a00,
                                               0x00838f, 0x6d4c41, 0xc2185b, 0x546e7a, 0x9e9d24};

void applyLineStyle(QLineSeries* series, int style, const QColor& color) {
    QPen pen(color);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    switch (style) {
    case GraphControl::kStylePoints:
        pen.setStyle(Qt::NoPen);
        series->setPointsVisible(true);
        series->setMarkerSize(6);
        break;
    case GraphControl::kStyleLineAndPoints:
        pen.setWidthF(1.5);
        series->setPointsVisible(true);
        series->setMarkerSize(6);
        break;
    case GraphControl::kStyleProgress:
        pen.setWidthF(2.0);
        series->setPointsVisible(false);
        break;
    default:
        pen.setWidthF(1.0);
        series->setPointsVisible(false);
        break;
    }
    series->setPen(pen);
    series->setColor(color);
}

} // namespace

GraphControl::GraphControl(QWidget* parent) : QChartView(parent) {
    m_chart = new QChart();
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundRoundness(0);
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    // Room for the end labels of the axes, which stick out of the plot area.
    m_chart->setMargins(QMargins(6, 10, 20, 6));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    // The view gives up (without deleting) the chart it made for itself.
    QChart* const initialChart = chart();
    setChart(m_chart);
    delete initialChart;
    setRenderHint(QPainter::Antialiasing);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setMinimumSize(120, 90);

    for (GraphAxis which : {GraphAxis::X, GraphAxis::Y}) {
        AxisState& s = state(which);
        s.axis = new QCategoryAxis(m_chart);
        s.axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        QFont font = s.axis->labelsFont();
        font.setPointSizeF(std::max(7.0, font.pointSizeF() - 1.0));
        s.axis->setLabelsFont(font);
        s.axis->setGridLineColor(QColor(0xdd, 0xdd, 0xdd));
        m_chart->addAxis(s.axis, which == GraphAxis::X ? Qt::AlignBottom : Qt::AlignLeft);
    }
    NewGraph(kKindLineGraph, ol::kLanguageEnglish);
}

GraphControl::~GraphControl() = default;

QString GraphControl::text(int id) const {
    const auto& table = m_language == ol::kLanguageGerman ? kGerman : kEnglish;
    return QString::fromUtf16(table[static_cast<std::size_t>(id)]);
}

void GraphControl::NewGraph(int kind, int language, const QString& text) {
    m_kind = kind;
    m_language = language;
    m_chart->removeAllSeries();
    m_curves.clear();
    for (GraphAxis which : {GraphAxis::X, GraphAxis::Y}) {
        AxisState& s = state(which);
        QCategoryAxis* axis = s.axis;
        s = AxisState{};
        s.axis = axis;
        axis->setTitleText(QString());
    }
    SetTitle(text);
    SetLegendVisible(true);
    updateAxes();
}

void GraphControl::SetTitle(const QString& title) {
    m_chart->setTitle(title);
}

QString GraphControl::Title() const {
    return m_chart->title();
}

void GraphControl::SetLegendVisible(bool visible) {
    m_legendVisible = visible;
    updateLegend();
}

bool GraphControl::LegendVisible() const {
    return m_legendVisible;
}

void GraphControl::updateLegend() {
    // Curves without a name have nothing to say in the legend; a legend with
    // nothing in it would only take room from the plot.
    bool anyName = false;
    for (const Curve& c : m_curves) {
        const bool named = !c.series->name().isEmpty();
        const auto markers = m_chart->legend()->markers(c.series);
        for (QLegendMarker* marker : markers)
            marker->setVisible(named);
        anyName = anyName || named;
    }
    m_chart->legend()->setVisible(m_legendVisible && anyName);
}

GraphControl::Curve& GraphControl::curveAt(int curve) {
    if (curve < 1 || curve > CurveCount())
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("GraphControl"), QStringLiteral("curve"));
    return m_curves[static_cast<std::size_t>(curve - 1)];
}

const GraphControl::Curve& GraphControl::curveAt(int curve) const {
    if (curve < 1 || curve > CurveCount())
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("GraphControl"), QStringLiteral("curve"));
    return m_curves[static_cast<std::size_t>(curve - 1)];
}

int GraphControl::createCurve(int style, const QString& name) {
    auto* series = new QLineSeries(m_chart);
    series->setName(name);
    m_chart->addSeries(series);
    series->attachAxis(state(GraphAxis::X).axis);
    series->attachAxis(state(GraphAxis::Y).axis);
    Curve curve;
    curve.series = series;
    curve.style = style;
    m_curves.push_back(std::move(curve));
    const int number = CurveCount();
    applyStyle(m_curves.back(), number);
    updateLegend();
    return number;
}

void GraphControl::applyStyle(Curve& curve, int number) {
    const QColor color =
        curve.series->color().isValid() && curve.series->property("colorSet").toBool()
            ? curve.series->color()
            : QColor::fromRgb(kCurveColors[static_cast<std::size_t>(number - 1) % kCurveColors.size()]);
    applyLineStyle(curve.series, curve.style, color);
}

template <class GetX, class GetY> void GraphControl::fillCurve(int number, int count, GetX getX, GetY getY) {
    if (CurveCount() == 0 && number == 1)
        createCurve(kStyleProgress, QString());
    Curve& curve = curveAt(number);
    const int next = 1 - curve.current;
    QList<QPointF>& buffer = curve.buffers[static_cast<std::size_t>(next)];
    buffer.resize(count);
    QPointF* out = buffer.data();
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
    bool nonDecreasing = true;
    double previousX = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        const double x = getX(i);
        const double y = getY(i);
        out[i] = QPointF(x, y);
        nonDecreasing = nonDecreasing && x >= previousX;
        previousX = x;
        // Special values (no value, the limits) are drawn where they fall but
        // do not stretch the axes.
        if (!ol::isSpecial(x)) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
        }
        if (!ol::isSpecial(y)) {
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    curve.hasPoints = minX <= maxX && minY <= maxY;
    curve.minX = minX;
    curve.maxX = maxX;
    curve.minY = minY;
    curve.maxY = maxY;
    curve.xNonDecreasing = nonDecreasing;
    curve.current = next;
    // The axes first: thinning depends on the x range shown.
    updateAxes();
    drawCurve(curve);
}

int GraphControl::plotColumns() const {
    // The whole chart's width: never less than the plot's, so the thinned
    // curve is never coarser than the pixels it is drawn on, and known at
    // once after a resize (the plot area follows only after layout).
    const double width = m_chart->size().width() > 1.0 ? m_chart->size().width() : QWidget::width();
    return std::max(1, static_cast<int>(std::ceil(width)));
}

void GraphControl::drawCurve(Curve& curve) {
    const QList<QPointF>& all = curve.buffers[static_cast<std::size_t>(curve.current)];
    const AxisState& x = state(GraphAxis::X);
    const int columns = plotColumns();
    if (!curve.xNonDecreasing || all.size() <= static_cast<qsizetype>(kThinningPointsPerColumn) * columns ||
        !(x.shownMax > x.shownMin)) {
        curve.series->replace(all);
        return;
    }
    const int next = 1 - curve.thinnedCurrent;
    QList<QPointF>& out = curve.thinned[static_cast<std::size_t>(next)];
    thinForColumns(all, x.shownMin, x.shownMax, columns, out);
    curve.series->replace(out);
    curve.thinnedCurrent = next;
}

void GraphControl::thinForColumns(const QList<QPointF>& points, double minX, double maxX, int columns,
                                  QList<QPointF>& out) {
    out.clear();
    const qsizetype n = points.size();
    if (n == 0)
        return;
    const double scale = columns / (maxX - minX);
    const auto columnOf = [&](double x) {
        const double c = std::floor((x - minX) * scale);
        // Everything off the plot on one side shares one column.
        return c < 0.0 ? -1.0 : (c > columns ? static_cast<double>(columns) : c);
    };
    qsizetype start = 0;
    while (start < n) {
        const double column = columnOf(points[start].x());
        qsizetype end = start + 1;
        qsizetype low = start, high = start;
        while (end < n && columnOf(points[end].x()) == column) {
            if (points[end].y() < points[low].y())
                low = end;
            if (points[end].y() > points[high].y())
                high = end;
            ++end;
        }
        const qsizetype last = end - 1;
        // First, lowest and highest in their order, last; each once.
        qsizetype picks[4] = {start, std::min(low, high), std::max(low, high), last};
        qsizetype previous = -1;
        for (qsizetype pick : picks) {
            if (pick != previous)
                out.append(points[pick]);
            previous = pick;
        }
        start = end;
    }
}

int GraphControl::drawnPointCount(int curve) const {
    return static_cast<int>(curveAt(curve).series->count());
}

void GraphControl::ChangeDataSource(std::span<const double> x, std::span<const double> y, int curve) {
    if (x.size() != y.size())
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("ChangeDataSource"), QStringLiteral("data"));
    fillCurve(
        curve, static_cast<int>(x.size()), [&](int i) { return x[static_cast<std::size_t>(i)]; },
        [&](int i) { return y[static_cast<std::size_t>(i)]; });
}

void GraphControl::ChangeDataSource(const GraphPoints& points, int curve) {
    ChangeDataSource(points.x, points.y, curve);
}

void GraphControl::ChangeDataSource(const engine::TaggedCollection& x, const engine::TaggedCollection& y, int curve) {
    if (x.count() != y.count())
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("ChangeDataSource"), QStringLiteral("data"));
    fillCurve(
        curve, x.count(), [&](int i) { return x.item(i + 1).toDouble(); },
        [&](int i) { return y.item(i + 1).toDouble(); });
}

int GraphControl::AddCurve(std::span<const double> x, std::span<const double> y, int style, const QString& name) {
    if (x.size() != y.size())
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("AddCurve"), QStringLiteral("data"));
    const int number = createCurve(style, name);
    ChangeDataSource(x, y, number);
    return number;
}

int GraphControl::AddCurve(const GraphPoints& points, int style, const QString& name) {
    return AddCurve(points.x, points.y, style, name);
}

void GraphControl::SetCurveStyle(int curve, int style) {
    Curve& c = curveAt(curve);
    c.style = style;
    applyStyle(c, curve);
}

int GraphControl::CurveStyle(int curve) const {
    return curveAt(curve).style;
}

void GraphControl::SetCurveColor(int curve, QRgb rgb) {
    Curve& c = curveAt(curve);
    c.series->setProperty("colorSet", true);
    applyLineStyle(c.series, c.style, QColor::fromRgb(rgb));
}

QColor GraphControl::CurveColor(int curve) const {
    return curveAt(curve).series->color();
}

void GraphControl::SetCurveName(int curve, const QString& name) {
    Curve& c = curveAt(curve);
    c.series->setName(name);
    updateLegend();
}

QList<QPointF> GraphControl::curvePoints(int curve) const {
    const Curve& c = curveAt(curve);
    return c.buffers[static_cast<std::size_t>(c.current)];
}

void GraphControl::updateAxes() {
    updateAxis(GraphAxis::X);
    updateAxis(GraphAxis::Y);
    if (plotColumns() != m_thinnedForColumns)
        redrawThinnable();
}

void GraphControl::redrawThinnable() {
    // Thinned curves follow the x range and the plot's width.
    const int columns = plotColumns();
    m_thinnedForColumns = columns;
    for (Curve& c : m_curves) {
        const qsizetype all = c.buffers[static_cast<std::size_t>(c.current)].size();
        if (c.series->count() != all || all > static_cast<qsizetype>(kThinningPointsPerColumn) * columns)
            drawCurve(c);
    }
}

void GraphControl::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    updateAxes();
}

QImage GraphControl::RenderImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return QImage();
    const QSizeF oldSize = m_chart->size();
    const QPointF oldPos = m_chart->pos();
    m_chart->setPos(0, 0);
    m_chart->resize(QSizeF(width, height));
    updateAxes();
    m_chart->layout()->activate();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        scene()->render(&painter, QRectF(0, 0, width, height), QRectF(0, 0, width, height));
    }
    m_chart->setPos(oldPos);
    m_chart->resize(oldSize);
    updateAxes();
    m_chart->layout()->activate();
    return image;
}

bool GraphControl::ExportImage(const QString& path, int format, int width, int height) {
    const char* type = nullptr;
    switch (format) {
    case kImageFormatBmp:
        type = "BMP";
        break;
    case kImageFormatJpeg:
        type = "JPG";
        break;
    case kImageFormatPng:
        type = "PNG";
        break;
    default:
        return false;
    }
    if (path.isEmpty() || width <= 0 || height <= 0)
        return false;
    const QImage image = RenderImage(width, height);
    if (image.isNull())
        return false;
    // Encoded in memory, then written under a new name and renamed into
    // place: a link or file planted at the path is never written through.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, type))
        return false;
    std::string why;
    return ol::safefile::replaceFile(QFile::encodeName(path).toStdString(), bytes.constData(),
                                     static_cast<size_t>(bytes.size()), why);
}

void GraphControl::beginModal() {
    if (++m_modalDialogDepth == 1)
        Q_EMIT modalDialogChanged(true);
}

void GraphControl::endModal() {
    if (--m_modalDialogDepth == 0)
        Q_EMIT modalDialogChanged(false);
}

void GraphControl::CopyPictureToClipboard() {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(RenderImage(std::max(1, width()), std::max(1, height())));
}

bool GraphControl::SavePictureWithDialog() {
    QFileDialog dialog(this, text(TextSavePicture));
    dialog.setObjectName(QStringLiteral("SavePictureDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(text(TextImageFilters));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.setWindowModality(Qt::ApplicationModal);
    beginModal();
    const int result = dialog.exec();
    endModal();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString path = dialog.selectedFiles().constFirst();
    const QString suffix = QFileInfo(path).suffix().toLower();
    const int format = suffix == u"bmp"                          ? kImageFormatBmp
                       : (suffix == u"jpg" || suffix == u"jpeg") ? kImageFormatJpeg
                                                                 : kImageFormatPng;
    return ExportImage(path, format, std::max(1, width()), std::max(1, height()));
}

bool GraphControl::SetAxisRangeWithDialog(GraphAxis which) {
    AxisState& s = state(which);
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("AxisRangeDialog"));
    dialog.setWindowTitle(text(which == GraphAxis::X ? TextRangeTitleX : TextRangeTitleY));
    dialog.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout();
    auto* editMin = new QLineEdit(QString::number(s.shownMin, 'g', 15), &dialog);
    editMin->setObjectName(QStringLiteral("EditMinimum"));
    auto* editMax = new QLineEdit(QString::number(s.shownMax, 'g', 15), &dialog);
    editMax->setObjectName(QStringLiteral("EditMaximum"));
    form->addRow(text(TextMinimum), editMin);
    form->addRow(text(TextMaximum), editMax);
    layout->addLayout(form);
    auto* automatic = new QCheckBox(text(TextAutomatic), &dialog);
    automatic->setObjectName(QStringLiteral("CheckAutomatic"));
    automatic->setChecked(s.automatic);
    layout->addWidget(automatic);
    auto* problem = new QLabel(text(TextBadRange), &dialog);
    problem->setObjectName(QStringLiteral("LabelProblem"));
    problem->setVisible(false);
    layout->addWidget(problem);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, &dialog);
    buttons->setObjectName(QStringLiteral("ButtonBox"));
    layout->addWidget(buttons);
    const auto syncEdits = [=] {
        editMin->setEnabled(!automatic->isChecked());
        editMax->setEnabled(!automatic->isChecked());
    };
    syncEdits();
    connect(automatic, &QCheckBox::toggled, &dialog, syncEdits);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, &dialog, [this, &dialog] {
        manager::openHelpTopic(m_helpFilePath, kHelpContextAxisRange, ol::WindowRef::local(&dialog));
    });
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (automatic->isChecked()) {
            dialog.accept();
            return;
        }
        const auto lo = ol::parseNumber(editMin->text());
        const auto hi = ol::parseNumber(editMax->text());
        if (!lo || !hi || !(*lo < *hi)) {
            problem->setVisible(true);
            return;
        }
        dialog.accept();
    });

    beginModal();
    const int result = dialog.exec();
    endModal();
    if (result != QDialog::Accepted)
        return false;
    if (automatic->isChecked()) {
        SetScalingIsAutomatic(which, true);
        return true;
    }
    s.manualMin = *ol::parseNumber(editMin->text());
    s.manualMax = *ol::parseNumber(editMax->text());
    s.automatic = false;
    updateAxis(which);
    return true;
}

void GraphControl::ShowContextMenu() {
    ol::PopupMenu menu(ol::WindowRef::local(this));
    menu.addItem(QStringLiteral("copy"), text(TextCopyPicture));
    menu.addItem(QStringLiteral("save"), text(TextSavePicture));
    menu.addItem(QStringLiteral("xrange"), text(TextSetXRange), false, state(GraphAxis::X).manualAllowed);
    menu.addItem(QStringLiteral("yrange"), text(TextSetYRange), false, state(GraphAxis::Y).manualAllowed);
    QString key;
    try {
        key = menu.show();
    } catch (const std::exception&) {
        // No pop-up menu service: a process without a user interface.
        return;
    }
    if (key == u"copy")
        CopyPictureToClipboard();
    else if (key == u"save")
        SavePictureWithDialog();
    else if (key == u"xrange")
        SetAxisRangeWithDialog(GraphAxis::X);
    else if (key == u"yrange")
        SetAxisRangeWithDialog(GraphAxis::Y);
}

void GraphControl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (m_rightClickEnabled)
        ShowContextMenu();
}

} // namespace watcher

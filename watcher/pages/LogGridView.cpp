#include "LogGridView.h"

#include <algorithm>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace watcher {

namespace {
// Room above and below a row's text, in pixels.
constexpr int kRowPadding = 4;
// Room left and right of a cell's text, in pixels.
constexpr int kCellPadding = 3;
} // namespace

LogGridView::LogGridView(QWidget* parent) : QAbstractScrollArea(parent) {
    m_header = new QHeaderView(Qt::Horizontal, this);
    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    // Left-aligned, so that a caption wider than its column shows its start.
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    updateRowHeight();
}

LogGridView::~LogGridView() = default;

void LogGridView::setModel(QAbstractItemModel* model) {
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_header->setModel(model);
    m_anchor = m_current = -1;
    if (model != nullptr) {
        connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { rowsAboutToBeInserted(); });
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
            // Rows put in before the selection move it down with them.
            if (m_anchor >= first) {
                m_anchor += last - first + 1;
                m_current += last - first + 1;
            }
            rowsInserted();
        });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { rowsRemoved(); });
        connect(model, &QAbstractItemModel::modelReset, this, [this] { modelReset(); });
        connect(model, &QAbstractItemModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
        connect(model, &QAbstractItemModel::columnsInserted, this, [this] { updateGeometries(); });
        connect(model, &QAbstractItemModel::columnsRemoved, this, [this] { updateGeometries(); });
    }
    updateGeometries();
    viewport()->update();
}

QAbstractItemModel* LogGridView::model() const {
    return m_model;
}

int LogGridView::rowCount() const {
    return m_model ? m_model->rowCount() : 0;
}

void LogGridView::updateRowHeight() {
    m_rowHeight = std::max(1, fontMetrics().height() + kRowPadding);
    updateGeometries();
}

int LogGridView::visibleRowCount() const {
    return std::max(1, viewport()->height() / m_rowHeight);
}

int LogGridView::topRow() const {
    return verticalScrollBar()->value();
}

bool LogGridView::atEnd() const {
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void LogGridView::scrollToRow(int row) {
    verticalScrollBar()->setValue(row);
}

void LogGridView::scrollToBottom() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogGridView::updateGeometries() {
    const int headerHeight = m_header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect vg = viewport()->geometry();
    m_header->setGeometry(vg.left(), vg.top() - headerHeight, vg.width(), headerHeight);

    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, rowCount() - visibleRowCount()));
    v->setPageStep(visibleRowCount());
    v->setSingleStep(1);

    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, m_header->length() - vg.width()));
    h->setPageStep(vg.width());
    h->setSingleStep(20);
    m_header->setOffset(h->value());
}

void LogGridView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const bool follow = rowCount() > 0 && atEnd();
    updateGeometries();
    if (follow)
        scrollToBottom();
}

void LogGridView::scrollContentsBy(int, int) {
    m_header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void LogGridView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateRowHeight();
}

void LogGridView::rowsAboutToBeInserted() {
    m_followEnd = rowCount() > 0 && atEnd();
}

void LogGridView::rowsInserted() {
    updateGeometries();
    if (m_followEnd)
        scrollToBottom();
    m_followEnd = false;
    viewport()->update();
}

void LogGridView::rowsRemoved() {
    const int rows = rowCount();
    if (std::max(m_anchor, m_current) >= rows)
        clearSelection();
    updateGeometries();
    viewport()->update();
}

void LogGridView::modelReset() {
    m_anchor = m_current = -1;
    updateGeometries();
    scrollToRow(0);
    viewport()->update();
}

int LogGridView::selectionFirst() const {
    return m_anchor < 0 ? -1 : std::min(m_anchor, m_current);
}

int LogGridView::selectionLast() const {
    return m_anchor < 0 ? -1 : std::max(m_anchor, m_current);
}

void LogGridView::selectRows(int first, int last) {
    const int rows = rowCount();
    if (rows == 0 || first < 0 || last < first) {
        clearSelection();
        return;
    }
    m_anchor = std::min(first, rows - 1);
    m_current = std::min(last, rows - 1);
    viewport()->update();
}

void LogGridView::clearSelection() {
    m_anchor = m_current = -1;
    viewport()->update();
}

int LogGridView::rowAt(int y) const {
    if (y < 0)
        return -1;
    const int row = topRow() + y / m_rowHeight;
    return row < rowCount() ? row : -1;
}

void LogGridView::moveCurrent(int row, bool extend) {
    const int rows = rowCount();
    if (rows == 0)
        return;
    row = std::clamp(row, 0, rows - 1);
    if (!extend || m_anchor < 0)
        m_anchor = row;
    m_current = row;
    if (row < topRow())
        scrollToRow(row);
    else if (row >= topRow() + visibleRowCount())
        scrollToRow(row - visibleRowCount() + 1);
    viewport()->update();
}

void LogGridView::mousePressEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint().y());
    if (row < 0)
        return;
    if (event->button() == Qt::LeftButton)
        moveCurrent(row, event->modifiers().testFlag(Qt::ShiftModifier));
    else if (event->button() == Qt::RightButton && (row < selectionFirst() || row > selectionLast()))
        moveCurrent(row, false);
}

void LogGridView::mouseMoveEvent(QMouseEvent* event) {
    if (!event->buttons().testFlag(Qt::LeftButton) || m_anchor < 0)
        return;
    const int y = event->position().toPoint().y();
    if (y < 0)
        moveCurrent(topRow() - 1, true);
    else if (y >= viewport()->height())
        moveCurrent(topRow() + visibleRowCount(), true);
    else if (const int row = rowAt(y); row >= 0)
        moveCurrent(row, true);
}

void LogGridView::keyPressEvent(QKeyEvent* event) {
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    const int current = std::max(m_current, 0);
    switch (event->key()) {
    case Qt::Key_Up:
        moveCurrent(current - 1, extend);
        break;
    case Qt::Key_Down:
        moveCurrent(m_current < 0 ? 0 : current + 1, extend);
        break;
    case Qt::Key_PageUp:
        moveCurrent(current - visibleRowCount(), extend);
        break;
    case Qt::Key_PageDown:
        moveCurrent(current + visibleRowCount(), extend);
        break;
    case Qt::Key_Home:
        moveCurrent(0, extend);
        break;
    case Qt::Key_End:
        moveCurrent(rowCount() - 1, extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogGridView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(viewport()->rect(), pal.base());
    if (!m_model)
        return;
    const int rows = rowCount();
    const int columns = m_header->count();
    const int width = viewport()->width();
    const int height = viewport()->height();
    const int firstVisual = std::max(0, m_header->visualIndexAt(0));
    int lastVisual = m_header->visualIndexAt(width - 1);
    if (lastVisual < 0)
        lastVisual = columns - 1;
    const QColor gridColor = pal.color(QPalette::Mid);
    const int first = selectionFirst();
    const int last = selectionLast();
    const QFontMetrics metrics = fontMetrics();

    for (int i = 0, row = topRow(); row < rows && i * m_rowHeight < height; ++i, ++row) {
        const int y = i * m_rowHeight;
        const bool selected = row >= first && row <= last && first >= 0;
        if (selected)
            painter.fillRect(QRect(0, y, width, m_rowHeight), pal.highlight());
        for (int visual = firstVisual; visual <= lastVisual; ++visual) {
            const int column = m_header->logicalIndex(visual);
            if (column < 0 || m_header->isSectionHidden(column))
                continue;
            const QRect cell(m_header->sectionViewportPosition(column), y, m_header->sectionSize(column), m_rowHeight);
            const QModelIndex index = m_model->index(row, column);
            const QString text = index.data(Qt::DisplayRole).toString();
            const QVariant align = index.data(Qt::TextAlignmentRole);
            const int flags = align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
            painter.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
            const QRect textRect = cell.adjusted(kCellPadding, 0, -kCellPadding, 0);
            painter.drawText(textRect, flags, metrics.elidedText(text, Qt::ElideRight, textRect.width()));
            painter.setPen(gridColor);
            painter.drawLine(cell.topRight(), cell.bottomRight());
        }
        painter.setPen(gridColor);
        painter.drawLine(0, y + m_rowHeight - 1, width, y + m_rowHeight - 1);
    }
}

QString LogGridView::selectionText() const {
    if (!m_model || m_model->columnCount() == 0 || m_anchor < 0)
        return QString();
    const int columns = m_model->columnCount();
    QStringList captions;
    for (int c = 0; c < columns; ++c)
        captions << m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    const int first = selectionFirst();
    const int last = std::min({selectionLast(), rowCount() - 1, first + kMaxCopiedRows - 1});
    QStringList lines;
    for (int r = first; r <= last; ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << m_model->index(r, c).data(Qt::DisplayRole).toString();
        lines << cells.join(u'\t');
    }
    return captions.join(u'\t') + u'\r' + lines.join(QStringLiteral("\r\n"));
}

} // namespace watcher

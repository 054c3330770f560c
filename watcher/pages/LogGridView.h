#pragma once

#include <cstdint>

#include <QAbstractScrollArea>
#include <QPointer>
#include <QString>

class QAbstractItemModel;
class QHeaderView;

namespace watcher {

// A grid for a model of millions of rows. It keeps nothing per row: the
// vertical scroll bar counts rows, only the rows on screen are asked of the
// model when they are painted, and the selection is one range of whole rows.
// (A QTableView keeps a header section per row, megabytes at ten million.)
//
// Appended rows leave the person's scroll position and selection alone;
// when the last row was on screen before, the grid follows the end.
class LogGridView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Copying takes at most this many rows, so that a selection of millions
    // cannot fill the memory with text.
    static constexpr int kMaxCopiedRows = 100000;

    explicit LogGridView(QWidget* parent = nullptr);
    ~LogGridView() override;

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const;
    QHeaderView* horizontalHeader() const { return m_header; }

    // Height of every row in pixels: the font's line height and a margin.
    int rowHeight() const { return m_rowHeight; }
    // The first row on screen and the number of rows that fit.
    int topRow() const;
    int visibleRowCount() const;
    void scrollToRow(int row);
    void scrollToBottom();
    bool atEnd() const;

    // The selected rows, first..last; -1 when nothing is selected.
    int selectionFirst() const;
    int selectionLast() const;
    bool hasSelection() const { return m_anchor >= 0; }
    void selectRows(int first, int last);
    void clearSelection();

    // The captions of all columns joined by tabs, a carriage return, then
    // the selected rows (at most kMaxCopiedRows), their cells joined by tabs
    // and the rows by line breaks. Empty when there are no columns or no
    // selection.
    QString selectionText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateRowHeight();
    void updateGeometries();
    int rowAt(int y) const;
    void moveCurrent(int row, bool extend);
    void rowsAboutToBeInserted();
    void rowsInserted();
    void rowsRemoved();
    void modelReset();
    int rowCount() const;

    QPointer<QAbstractItemModel> m_model;
    QHeaderView* m_header = nullptr;
    int m_rowHeight = 20;
    int m_anchor = -1;
    int m_current = -1;
    bool m_followEnd = false;
};

} // namespace watcher

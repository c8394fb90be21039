// Small controls the windows are built from, each a thin layer over a Qt
// widget that speaks in the windows' own terms: a string grid addressed by
// (column, row) with header row 0 (and header column 0 where it has one), a
// status bar of fixed panels, an up-down spinner, and a clickable picture.
#pragma once

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <functional>

namespace quintora {

// The state a cell is painted in.
struct CellState {
    bool selected = false; // inside the selection (which holds the current cell)
    bool focused = false;  // the current cell of a grid that has the input focus
    bool fixed = false;    // a header cell
};

struct GridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0; // inclusive
};

class StringGrid;
using DrawCellFn = std::function<void(StringGrid *grid, QPainter &painter, int column, int row,
                                      const QRect &rect, CellState state)>;
using GridMouseFn = std::function<void(StringGrid *grid, Qt::MouseButton button, QPoint point)>;
// True when the key was taken; the grid moves its current cell with the rest.
using GridKeyFn = std::function<bool(StringGrid *grid, QKeyEvent *event)>;

// A grid with a fixed header row and, when fixedCols is 1, a fixed header
// column; the cells are addressed (column, row) with the headers at 0. The
// translation to Qt's model, which keeps the headers apart, happens here only.
class StringGrid : public QTableWidget {
    Q_OBJECT

public:
    StringGrid(int fixedCols, QWidget *parent = nullptr);

    int ColCount() const;
    int RowCount() const;
    void SetSize(int colCount, int rowCount);
    int FixedCols() const { return m_fixedCols; }

    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString &text);

    // The cell under a point of the grid's own surface (headers included):
    // (-1, -1) outside every cell.
    QPoint MouseToCell(QPoint point) const;
    GridRect Selection() const;
    QPoint CurrentCell() const;
    // Collapses the selection to one cell; a header cell is allowed.
    void SetCurrentCell(int column, int row);
    // The rectangle of a cell on the grid's own surface, or an empty one.
    QRect CellRect(int column, int row) const;
    // The point of a cell's centre, on the widget a click there lands on: the
    // viewport for data cells, a header view's viewport for header cells.
    QWidget *WidgetAt(int column, int row, QPoint *local) const;

    void SetDrawCell(DrawCellFn fn) { m_drawCell = std::move(fn); }
    void SetMouseDown(GridMouseFn fn) { m_mouseDown = std::move(fn); }
    void SetMouseUp(GridMouseFn fn) { m_mouseUp = std::move(fn); }
    void SetKeyPress(GridKeyFn fn) { m_keyPress = std::move(fn); }

    void PaintCell(QPainter &painter, int column, int row, const QRect &rect, bool fixed);
    void RepaintAll();
    // Mouse events on the header cells, from the header views.
    void HeaderPress(QMouseEvent *event, QWidget *from);
    void HeaderRelease(QMouseEvent *event, QWidget *from);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Typing never jumps to a cell that starts with the letter typed.
    void keyboardSearch(const QString &) override {}

private:
    QTableWidgetItem *ItemAt(int column, int row) const;
    QPoint FromViewport(QPoint p) const;
    void PlaceCorner();

    int m_fixedCols;
    // A header cell as the current cell: Qt's model cannot select one.
    bool m_headerCurrent = false;
    QPoint m_headerCell;
    QWidget *m_corner = nullptr;
    DrawCellFn m_drawCell;
    GridMouseFn m_mouseDown, m_mouseUp;
    GridKeyFn m_keyPress;
};

// Status bar of panels with fixed widths; the last reaches the right edge and
// is painted by its owner.
class StatusBar : public QWidget {
    Q_OBJECT

public:
    struct Panel {
        QString text;
        int width = 50;
        Qt::Alignment alignment = Qt::AlignLeft;
        bool ownerDrawn = false;
    };
    explicit StatusBar(QWidget *parent = nullptr);
    void SetPanels(const QList<Panel> &panels);
    QString PanelText(int i) const { return m_panels.value(i).text; }
    void SetPanelText(int i, const QString &text);
    void SetOwnerDrawn(int i, bool ownerDrawn);
    QRect PanelRect(int i) const;
    void SetDrawPanel(std::function<void(int panel, const QRect &rect)> fn) { m_drawPanel = std::move(fn); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Panel> m_panels;
    std::function<void(int, const QRect &)> m_drawPanel;
};

// Two arrow buttons that move a position by one within its range and then
// report the click.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget *parent = nullptr);
    int Position() const { return m_position; }
    void SetPosition(int position);
    void SetRange(int min, int max);
    QToolButton *UpButton() const { return m_up; }
    QToolButton *DownButton() const { return m_down; }

signals:
    void clicked();

private:
    void Step(int delta);
    int m_position = 0, m_min = 0, m_max = 100;
    QToolButton *m_up, *m_down;

protected:
    void resizeEvent(QResizeEvent *) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// A picture from the resources that reports clicks.
class Picture : public QLabel {
    Q_OBJECT

public:
    Picture(const QString &resource, QSize size, QWidget *parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

QPixmap RenderSvg(const QString &resource, QSize size, qreal ratio = 1.0);

} // namespace quintora

#include "controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QSvgRenderer>
#include <QVBoxLayout>

// The pictures live in a static library, whose resources load only on request.
static void LoadPictures()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)loaded;
}

namespace quintora {

namespace {

// Header cells of a grid: painted and clicked through the grid, never selected.
class GridHeader : public QHeaderView {
public:
    GridHeader(Qt::Orientation orientation, StringGrid *grid) : QHeaderView(orientation, grid), m_grid(grid)
    {
        setSectionsClickable(false);
        setSectionResizeMode(QHeaderView::Fixed);
        setHighlightSections(false);
        setMinimumSectionSize(1);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid())
            return;
        const bool row = orientation() == Qt::Horizontal;
        const int column = row ? logicalIndex + m_grid->FixedCols() : 0;
        const int gridRow = row ? 0 : logicalIndex + 1;
        m_grid->PaintCell(*painter, column, gridRow, rect, true);
    }
    void mousePressEvent(QMouseEvent *event) override { m_grid->HeaderPress(event, this); }
    void mouseReleaseEvent(QMouseEvent *event) override { m_grid->HeaderRelease(event, this); }
    void mouseMoveEvent(QMouseEvent *) override {}
    void mouseDoubleClickEvent(QMouseEvent *) override {}

private:
    StringGrid *m_grid;
};

// The corner cell (0, 0) of a grid with a header column.
class GridCorner : public QWidget {
public:
    explicit GridCorner(StringGrid *grid) : QWidget(grid), m_grid(grid) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_grid->PaintCell(painter, 0, 0, rect(), true);
    }
    void mousePressEvent(QMouseEvent *event) override { m_grid->HeaderPress(event, this); }
    void mouseReleaseEvent(QMouseEvent *event) override { m_grid->HeaderRelease(event, this); }

private:
    StringGrid *m_grid;
};

class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(StringGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        m_grid->PaintCell(*painter, index.column() + m_grid->FixedCols(), index.row() + 1, option.rect, false);
    }

private:
    StringGrid *m_grid;
};

QTableWidgetItem *NewItem()
{
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

// ---------------------------------------------------------------- StringGrid

StringGrid::StringGrid(int fixedCols, QWidget *parent) : QTableWidget(parent), m_fixedCols(fixedCols)
{
    setHorizontalHeader(new GridHeader(Qt::Horizontal, this));
    setVerticalHeader(new GridHeader(Qt::Vertical, this));
    verticalHeader()->setVisible(fixedCols > 0);
    setCornerButtonEnabled(false);
    setItemDelegate(new CellDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setAutoScroll(true);
    // A one-pixel frame, which the grids' sizes leave room for.
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    if (fixedCols > 0)
        m_corner = new GridCorner(this);
    // Any move of the selection by the user leaves a header cell behind.
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int) {
        if (row >= 0)
            m_headerCurrent = false;
    });
}

int StringGrid::ColCount() const { return columnCount() + m_fixedCols; }
int StringGrid::RowCount() const { return rowCount() + 1; }

void StringGrid::SetSize(int colCount, int rowCount)
{
    const int columns = colCount - m_fixedCols, rows = rowCount - 1;
    setColumnCount(columns);
    setRowCount(rows);
    for (int c = 0; c < columns; ++c)
        if (!horizontalHeaderItem(c))
            setHorizontalHeaderItem(c, NewItem());
    for (int r = 0; r < rows; ++r) {
        if (!verticalHeaderItem(r))
            setVerticalHeaderItem(r, NewItem());
        for (int c = 0; c < columns; ++c)
            if (!item(r, c))
                setItem(r, c, NewItem());
    }
    PlaceCorner();
}

// The one place where (column, row) with the headers at 0 meets Qt's model.
QTableWidgetItem *StringGrid::ItemAt(int column, int row) const
{
    if (row == 0 && column >= m_fixedCols)
        return horizontalHeaderItem(column - m_fixedCols);
    if (row >= 1 && column < m_fixedCols)
        return verticalHeaderItem(row - 1);
    if (row >= 1)
        return item(row - 1, column - m_fixedCols);
    return nullptr;
}

QString StringGrid::Cell(int column, int row) const
{
    const QTableWidgetItem *it = ItemAt(column, row);
    return it ? it->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString &text)
{
    QTableWidgetItem *it = ItemAt(column, row);
    if (!it)
        return;
    if (it->text() == text) {
        // Same text: still repaint the cell, as writing a cell always does.
        if (row >= 1 && column >= m_fixedCols)
            viewport()->update(visualItemRect(it));
        else
            (row == 0 ? horizontalHeader() : verticalHeader())->viewport()->update();
        return;
    }
    it->setText(text);
}

QPoint StringGrid::FromViewport(QPoint p) const
{
    return p + QPoint(verticalHeader()->isVisible() ? verticalHeader()->width() : 0,
                      horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0);
}

QPoint StringGrid::MouseToCell(QPoint p) const
{
    const int headerWidth = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    const int headerHeight = horizontalHeader()->height();
    int column = -1, row = -1;
    if (m_fixedCols > 0 && p.x() >= 0 && p.x() < headerWidth)
        column = 0;
    else if (p.x() >= headerWidth) {
        const int c = columnAt(p.x() - headerWidth);
        column = c < 0 ? -1 : c + m_fixedCols;
    }
    if (p.y() >= 0 && p.y() < headerHeight)
        row = 0;
    else if (p.y() >= headerHeight) {
        const int r = rowAt(p.y() - headerHeight);
        row = r < 0 ? -1 : r + 1;
    }
    if (column < 0 || row < 0)
        return QPoint(-1, -1);
    return QPoint(column, row);
}

GridRect StringGrid::Selection() const
{
    if (m_headerCurrent)
        return GridRect{m_headerCell.x(), m_headerCell.y(), m_headerCell.x(), m_headerCell.y()};
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    auto include = [&](const QModelIndex &index) {
        left = std::min(left, index.column());
        right = std::max(right, index.column());
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
    };
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        include(range.topLeft());
        include(range.bottomRight());
    }
    if (currentIndex().isValid())
        include(currentIndex());
    if (right < 0)
        return GridRect{m_fixedCols, 1, m_fixedCols, 1};
    return GridRect{left + m_fixedCols, top + 1, right + m_fixedCols, bottom + 1};
}

QPoint StringGrid::CurrentCell() const
{
    if (m_headerCurrent)
        return m_headerCell;
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return QPoint(m_fixedCols, 1);
    return QPoint(index.column() + m_fixedCols, index.row() + 1);
}

void StringGrid::SetCurrentCell(int column, int row)
{
    if (row <= 0 || column < m_fixedCols) {
        selectionModel()->clearSelection();
        selectionModel()->clearCurrentIndex();
        m_headerCurrent = true;
        m_headerCell = QPoint(column, row);
    } else {
        m_headerCurrent = false;
        selectionModel()->setCurrentIndex(model()->index(row - 1, column - m_fixedCols),
                                          QItemSelectionModel::ClearAndSelect);
    }
    RepaintAll();
}

QRect StringGrid::CellRect(int column, int row) const
{
    QPoint local;
    QWidget *w = WidgetAt(column, row, &local);
    if (!w)
        return QRect();
    QRect r;
    if (w == viewport())
        r = visualRect(model()->index(row - 1, column - m_fixedCols)).translated(FromViewport(QPoint()));
    else if (w == horizontalHeader()->viewport())
        r = QRect(horizontalHeader()->sectionViewportPosition(column - m_fixedCols) + FromViewport(QPoint()).x(), 0,
                  horizontalHeader()->sectionSize(column - m_fixedCols), horizontalHeader()->height());
    else if (w == verticalHeader()->viewport())
        r = QRect(0, verticalHeader()->sectionViewportPosition(row - 1) + FromViewport(QPoint()).y(),
                  verticalHeader()->width(), verticalHeader()->sectionSize(row - 1));
    else
        r = QRect(QPoint(0, 0), w->size());
    return r;
}

QWidget *StringGrid::WidgetAt(int column, int row, QPoint *local) const
{
    if (row == 0 && column < m_fixedCols) {
        *local = m_corner ? m_corner->rect().center() : QPoint();
        return m_corner;
    }
    if (row == 0) {
        const int c = column - m_fixedCols;
        *local = QPoint(horizontalHeader()->sectionViewportPosition(c) + horizontalHeader()->sectionSize(c) / 2,
                        horizontalHeader()->height() / 2);
        return horizontalHeader()->viewport();
    }
    if (column < m_fixedCols) {
        *local = QPoint(verticalHeader()->width() / 2,
                        verticalHeader()->sectionViewportPosition(row - 1) + verticalHeader()->sectionSize(row - 1) / 2);
        return verticalHeader()->viewport();
    }
    *local = visualRect(model()->index(row - 1, column - m_fixedCols)).center();
    return viewport();
}

void StringGrid::PaintCell(QPainter &painter, int column, int row, const QRect &rect, bool fixed)
{
    QRect cell = rect;
    if (fixed) {
        // Header sections carry their grid lines themselves, as the data cells do.
        cell = rect.adjusted(0, 0, -1, -1);
        painter.save();
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.restore();
    }
    CellState state;
    state.fixed = fixed;
    const GridRect sel = Selection();
    state.selected = column >= sel.Left && column <= sel.Right && row >= sel.Top && row <= sel.Bottom;
    state.focused = !fixed && hasFocus() && CurrentCell() == QPoint(column, row) && !m_headerCurrent;
    painter.save();
    painter.setClipRect(cell);
    if (m_drawCell) {
        m_drawCell(this, painter, column, row, cell, state);
    } else {
        painter.fillRect(cell, palette().base());
        painter.drawText(cell.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, Cell(column, row));
    }
    painter.restore();
}

void StringGrid::RepaintAll()
{
    viewport()->repaint();
    horizontalHeader()->viewport()->repaint();
    if (verticalHeader()->isVisible())
        verticalHeader()->viewport()->repaint();
    if (m_corner)
        m_corner->repaint();
}

void StringGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_keyPress && m_keyPress(this, event)) {
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void StringGrid::mousePressEvent(QMouseEvent *event)
{
    // Only the left button selects; the others leave the selection alone.
    if (event->button() == Qt::LeftButton) {
        m_headerCurrent = false;
        QTableWidget::mousePressEvent(event);
    }
    if (m_mouseDown)
        m_mouseDown(this, event->button(), FromViewport(event->position().toPoint()));
}

void StringGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        QTableWidget::mouseMoveEvent(event);
}

void StringGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        QTableWidget::mouseReleaseEvent(event);
    if (m_mouseUp)
        m_mouseUp(this, event->button(), FromViewport(event->position().toPoint()));
}

void StringGrid::HeaderPress(QMouseEvent *event, QWidget *from)
{
    const QPoint p = from->mapTo(this, event->position().toPoint()) - QPoint(frameWidth(), frameWidth());
    if (m_mouseDown)
        m_mouseDown(this, event->button(), p);
}

void StringGrid::HeaderRelease(QMouseEvent *event, QWidget *from)
{
    const QPoint p = from->mapTo(this, event->position().toPoint()) - QPoint(frameWidth(), frameWidth());
    if (m_mouseUp)
        m_mouseUp(this, event->button(), p);
}

void StringGrid::resizeEvent(QResizeEvent *event)
{
    QTableWidget::resizeEvent(event);
    PlaceCorner();
}

void StringGrid::PlaceCorner()
{
    if (!m_corner)
        return;
    m_corner->setGeometry(frameWidth(), frameWidth(), verticalHeader()->width(), horizontalHeader()->height());
    m_corner->raise();
}

// ---------------------------------------------------------------- StatusBar

StatusBar::StatusBar(QWidget *parent) : QWidget(parent) {}

void StatusBar::SetPanels(const QList<Panel> &panels)
{
    m_panels = panels;
    update();
}

void StatusBar::SetPanelText(int i, const QString &text)
{
    if (i < 0 || i >= m_panels.size())
        return;
    m_panels[i].text = text;
    update();
}

void StatusBar::SetOwnerDrawn(int i, bool ownerDrawn)
{
    if (i >= 0 && i < m_panels.size())
        m_panels[i].ownerDrawn = ownerDrawn;
}

QRect StatusBar::PanelRect(int i) const
{
    int x = 0;
    for (int k = 0; k < m_panels.size(); ++k) {
        const bool last = k == m_panels.size() - 1;
        const int w = last ? width() - x : m_panels[k].width;
        if (k == i)
            return QRect(x, 2, w - 2, height() - 2).adjusted(1, 1, -1, -1);
        x += m_panels[k].width;
    }
    return QRect();
}

void StatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int i = 0; i < m_panels.size(); ++i) {
        const QRect inner = PanelRect(i);
        const QRect frame = inner.adjusted(-1, -1, 1, 1);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(frame.topLeft(), frame.topRight());
        painter.drawLine(frame.topLeft(), frame.bottomLeft());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(frame.bottomLeft(), frame.bottomRight());
        painter.drawLine(frame.topRight(), frame.bottomRight());
        if (m_panels[i].ownerDrawn) {
            if (m_drawPanel)
                m_drawPanel(i, inner);
            continue;
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(inner.adjusted(2, 0, -2, 0), m_panels[i].alignment | Qt::AlignVCenter, m_panels[i].text);
    }
}

// ---------------------------------------------------------------- UpDown

UpDown::UpDown(QWidget *parent) : QWidget(parent)
{
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
    }
    m_up->setAccessibleName(QStringLiteral("Aumentar"));
    m_down->setAccessibleName(QStringLiteral("Disminuir"));
    setFocusPolicy(Qt::TabFocus); // first in the panel's tab order; the arrow keys step it
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDown::resizeEvent(QResizeEvent *)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

void UpDown::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up)
        Step(1);
    else if (event->key() == Qt::Key_Down)
        Step(-1);
    else
        QWidget::keyPressEvent(event);
}

void UpDown::SetPosition(int position) { m_position = std::clamp(position, m_min, m_max); }

void UpDown::SetRange(int min, int max)
{
    m_min = min;
    m_max = max;
    SetPosition(m_position);
}

void UpDown::Step(int delta)
{
    SetPosition(m_position + delta);
    emit clicked();
}

// ---------------------------------------------------------------- Picture

QPixmap RenderSvg(const QString &resource, QSize size, qreal ratio)
{
    LoadPictures();
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

Picture::Picture(const QString &resource, QSize size, QWidget *parent) : QLabel(parent)
{
    setPixmap(RenderSvg(resource, size, devicePixelRatioF()));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(size);
}

void Picture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace quintora

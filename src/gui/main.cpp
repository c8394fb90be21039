#include "main.h"

#include "GrayBin.h"
#include "about.h"
#include "fileio.h"
#include "pla.h"
#include "nomvar.h"
#include "prompts.h"
#include "report.h"
#include "storage.h"
#include "style.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QFont>
#include <QIcon>
#include <QMouseEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QThread>

namespace quintora {

namespace {

// Both file dialogs offer the two formats; the extension of the name chosen decides.
const QString kFileFilters = QStringLiteral("Datos QMT (*.qmt);;PLA (*.pla)");

QToolButton *NewButton(QWidget *parent, const QString &glyph, int x, int y)
{
    auto *button = new QToolButton(parent);
    button->setIcon(QIcon(glyph));
    button->setIconSize(QSize(40, 40));
    button->setGeometry(x, y, 53, 53);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// What a screen reader says, what a tool tip shows, and what tests find.
void Name(QWidget *widget, const char *objectName, const QString &name)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(name);
    widget->setToolTip(name);
}

QRadioButton *NewRadio(QWidget *parent, const QString &text, int x, int y, int w, int h)
{
    auto *radio = new QRadioButton(text, parent);
    radio->setFont(LayoutFont(QStringLiteral("Denmark"), 11));
    radio->setGeometry(x, y, w, h);
    return radio;
}

// A raised inner edge: light on the top and left, dark on the bottom and right.
void RaisedEdge(QPainter &painter, const QRect &r, const QPalette &palette)
{
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
}

void FocusRect(QPainter &painter, const QRect &r)
{
    QPen pen(Qt::black);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}

QColor ValueColour(const QString &trimmed)
{
    if (trimmed == QLatin1String("1"))
        return Hex(0x000000);
    if (trimmed == QLatin1String("0"))
        return Hex(0xFF0000);
    return Hex(0x808080);
}

} // namespace

TForm1::TForm1(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Quintora"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(937, 656);
    move(203, 37);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Hex(0xFDFECF));
    setPalette(pal);
    setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 11));

    SetUpTopPanel();
    SetUpBody();
    SetUpStatusBar();

    // Tab order: the spinner and radio buttons, then the body.
    setTabOrder(udUno, rbPon0);
    setTabOrder(rbPon0, rbPon1);
    setTabOrder(rbPon1, rbPonX);
    setTabOrder(rbPonX, sgVerdad);
    setTabOrder(sgVerdad, sgKarna);
    setTabOrder(sgKarna, tvSolu);

    Edits = new QUndoStack(this);
    connect(Edits, &QUndoStack::cleanChanged, this, [this](bool clean) {
        setWindowTitle(clean ? QStringLiteral("Quintora") : QStringLiteral("Quintora*"));
    });
    ConnectEvents();
    FormCreate();
}

// The panel of commands along the top: captions, buttons, the spinner, the
// insertion mode and the padlocks.
void TForm1::SetUpTopPanel()
{
    const QFont caption = LayoutFont(QStringLiteral("Agency FB"), 16);
    SetUp = new QFrame(this);
    SetUp->setGeometry(0, 0, 937, 85);
    SetUp->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SetUp->setLineWidth(2);
    Image2 = new Picture(QStringLiteral(":/icons/banner.svg"), QSize(269, 77), SetUp);
    Image2->move(4, 4);
    lblVersion = NewLabel(SetUp, QStringLiteral("v.0.0"), 240, 60, LayoutFont(QStringLiteral("Haettenschweiler"), 12));
    Image4 = new Picture(QStringLiteral(":/icons/info.svg"), QSize(21, 21), SetUp);
    Image4->move(272, 56);
    Image4->setCursor(Qt::PointingHandCursor);
    Label8 = NewLabel(SetUp, QStringLiteral("Abrir"), 320, 4, caption);
    sbAbrir = NewButton(SetUp, QStringLiteral(":/icons/open.svg"), 304, 24);
    Label9 = NewLabel(SetUp, QStringLiteral("Guardar"), 376, 4, caption);
    sbSalvar = NewButton(SetUp, QStringLiteral(":/icons/save.svg"), 368, 24);
    Label4 = NewLabel(SetUp, QStringLiteral("Resolver"), 440, 4, caption);
    sbHazlo = NewButton(SetUp, QStringLiteral(":/icons/solve.svg"), 432, 24);
    Label6 = NewLabel(SetUp, QStringLiteral("Nom. Vars."), 496, 4, caption);
    SpeedButton1 = NewButton(SetUp, QStringLiteral(":/icons/names.svg"), 496, 24);
    Label1 = NewLabel(SetUp, QString::fromUtf8("Nº Variables"), 564, 4, caption);
    Bevel1 = new QFrame(SetUp);
    Bevel1->setGeometry(564, 24, 57, 52);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblNumVar = NewLabel(SetUp, QStringLiteral("4"), 572, 32, LayoutFont(QStringLiteral("Denmark"), 32), Hex(0x008000));
    udUno = new UpDown(SetUp);
    udUno->setGeometry(600, 36, 13, 29);
    udUno->SetRange(0, 100);
    udUno->SetPosition(4);
    Label2 = NewLabel(SetUp, QStringLiteral("Click-Insertar"), 636, 4, caption);
    Image1 = new Picture(QStringLiteral(":/icons/mouse.svg"), QSize(37, 37), SetUp);
    Image1->move(636, 28);
    rbPon0 = NewRadio(SetUp, QStringLiteral("0"), 672, 24, 41, 17);
    rbPon1 = NewRadio(SetUp, QStringLiteral(" 1"), 672, 40, 33, 17);
    rbPonX = NewRadio(SetUp, QStringLiteral("X"), 672, 56, 37, 17);
    rbPon1->setChecked(true);
    lblBorrar = NewLabel(SetUp, QStringLiteral("Borrar"), 724, 4, caption);
    sbBorrar = NewButton(SetUp, QStringLiteral(":/icons/eraser.svg"), 716, 24);
    Label3 = NewLabel(SetUp, QStringLiteral("Imprimir"), 792, 4, caption);
    sbPrint = NewButton(SetUp, QStringLiteral(":/icons/print.svg"), 784, 24);
    Label5 = NewLabel(SetUp, QStringLiteral("Bloqueo"), 868, 4, caption);
    Lock = new Picture(QStringLiteral(":/icons/lock_closed.svg"), QSize(49, 49), SetUp);
    Lock->move(860, 24);
    Lock->hide();
    Unlock = new Picture(QStringLiteral(":/icons/lock_open.svg"), QSize(57, 53), SetUp);
    Unlock->move(864, 24);
    for (Picture *p : {Image1, Lock, Unlock})
        p->setCursor(Qt::PointingHandCursor);
    // Each caption ends a few pixels before the next one begins.
    const std::pair<QLabel *, int> captions[] = {{Label8, 376}, {Label9, 440}, {Label4, 496}, {Label6, 564},
                                                 {Label1, 636}, {Label2, 724}, {lblBorrar, 792}, {Label3, 868},
                                                 {Label5, 932}};
    for (const auto &[label, next] : captions)
        FitCaption(label, next - label->x() - 4);
    Name(sbAbrir, "sbAbrir", QStringLiteral("Abrir"));
    Name(sbSalvar, "sbSalvar", QStringLiteral("Guardar"));
    Name(sbHazlo, "sbHazlo", QStringLiteral("Resolver"));
    Name(SpeedButton1, "SpeedButton1", QStringLiteral("Nom. Vars."));
    Name(sbBorrar, "sbBorrar", QStringLiteral("Borrar"));
    Name(sbPrint, "sbPrint", QStringLiteral("Imprimir"));
    Name(udUno, "udUno", QString::fromUtf8("Nº Variables"));
    Name(Image1, "Image1", QStringLiteral("Click-Insertar"));
    Name(Image2, "Image2", QStringLiteral("Quintora"));
    Name(Image4, "Image4", QStringLiteral("Acerca de Quintora"));
    Name(Lock, "Lock", QStringLiteral("Desbloquear"));
    Name(Unlock, "Unlock", QStringLiteral("Bloquear"));
    Name(rbPon0, "rbPon0", QStringLiteral("Insertar 0"));
    Name(rbPon1, "rbPon1", QStringLiteral("Insertar 1"));
    Name(rbPonX, "rbPonX", QStringLiteral("Insertar X"));
}

// The truth table, the map with its tags, and the solutions tree.
void TForm1::SetUpBody()
{
    bVerdad = new QFrame(this);
    bVerdad->setGeometry(8, 116, 241, 513);
    bVerdad->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblVerdad = NewLabel(this, QStringLiteral("Tabla Verdad"), 88, 92, LayoutFont(QStringLiteral("Agency FB"), 19, true));
    sgVerdad = new StringGrid(0, this);
    sgVerdad->setGeometry(12, 120, 233, 505);
    sgVerdad->setFont(LayoutFont(QStringLiteral("Agency FB"), 13, true));
    sgVerdad->horizontalHeader()->setDefaultSectionSize(21);
    sgVerdad->horizontalHeader()->setFixedHeight(21);
    sgVerdad->verticalHeader()->setDefaultSectionSize(21);
    lblTag2 = NewLabel(this, QStringLiteral("defg"), 288, 96, LayoutFont(QStringLiteral("Agency FB"), 16, true), Hex(0x000080));
    lblTag1 = NewLabel(this, QStringLiteral("abcd"), 0, 120, LayoutFont(QStringLiteral("Agency FB"), 16, true), Hex(0x000080));
    lblTag1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    PlaceTag1();
    lblKarna = NewLabel(this, QStringLiteral("Tabla Karnaugh"), 424, 92, LayoutFont(QStringLiteral("Agency FB"), 19, true));
    sgKarna = new StringGrid(1, this);
    sgKarna->setGeometry(284, 116, 461, 461);
    sgKarna->setFont(LayoutFont(QStringLiteral("Arial Narrow"), 11));
    sgKarna->horizontalHeader()->setDefaultSectionSize(27);
    sgKarna->horizontalHeader()->setFixedHeight(27);
    sgKarna->verticalHeader()->setDefaultSectionSize(27);
    sgKarna->verticalHeader()->setFixedWidth(27);
    Label7 = NewLabel(this, QStringLiteral("Soluciones"), 816, 92, LayoutFont(QStringLiteral("Agency FB"), 19, true));
    tvSolu = new QTreeWidget(this);
    tvSolu->setGeometry(764, 116, 165, 513);
    tvSolu->setHeaderHidden(true);
    tvSolu->setIndentation(19);
    tvSolu->setUniformRowHeights(true); // hundreds of terms lay out at once
    tvSolu->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvSolu->setFont(LayoutFont(QStringLiteral("Agency FB"), 15));
    tvSolu->setIconSize(QSize(16, 16));
    // Long terms are never cut: the column is as wide as its widest caption
    // and the tree scrolls sideways; each term's tool tip holds it whole.
    tvSolu->setTextElideMode(Qt::ElideNone);
    tvSolu->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tvSolu->header()->setStretchLastSection(false);
    connect(tvSolu, &QTreeWidget::expanded, this, &TForm1::FitSolutionsColumn);
    connect(tvSolu, &QTreeWidget::collapsed, this, &TForm1::FitSolutionsColumn);
    {
        QPalette p = tvSolu->palette();
        p.setColor(QPalette::Base, Hex(0xC0DCC0));
        p.setColor(QPalette::Text, Hex(0x0000FF));
        tvSolu->setPalette(p);
    }
    for (const char *image : {":/icons/tree_term.svg", ":/icons/tree_branch.svg", ":/icons/tree_maxterm.svg"})
        Imagenes << QIcon(QString::fromLatin1(image));

    Name(sgVerdad, "sgVerdad", QStringLiteral("Tabla Verdad"));
    Name(sgKarna, "sgKarna", QStringLiteral("Tabla Karnaugh"));
    Name(tvSolu, "tvSolu", QStringLiteral("Soluciones"));
}

// The status bar's panels and the progress bar that sits in the last one.
void TForm1::SetUpStatusBar()
{
    sBarBaja = new StatusBar(this);
    sBarBaja->setGeometry(0, 637, 937, 19);
    sBarBaja->SetPanels({
        {QString::fromUtf8("Número de 1's:"), 85, Qt::AlignLeft},
        {QString(), 30, Qt::AlignHCenter},
        {QString::fromUtf8("Número de X's:"), 85, Qt::AlignLeft},
        {QString(), 30, Qt::AlignHCenter},
        {QString::fromUtf8("Nº Términos solución:"), 125, Qt::AlignLeft},
        {QString(), 30, Qt::AlignHCenter},
        {QString::fromUtf8("Cálculos %"), 65, Qt::AlignLeft},
        {QString(), 50, Qt::AlignLeft},
    });
    pBar = new QProgressBar(this);
    pBar->setGeometry(512, 616, 150, 17);
    pBar->setRange(0, 100);
    pBar->setValue(0);
    pBar->setTextVisible(false);
}

void TForm1::ConnectEvents()
{
    connect(Image4, &Picture::clicked, this, &TForm1::Image4Click);
    connect(Image1, &Picture::clicked, this, &TForm1::LockClick);
    connect(Lock, &Picture::clicked, this, &TForm1::LockClick);
    connect(Unlock, &Picture::clicked, this, &TForm1::UnlockClick);
    connect(udUno, &UpDown::clicked, this, &TForm1::udUnoClick);
    connect(sbBorrar, &QToolButton::clicked, this, &TForm1::sbBorrarClick);
    connect(sbHazlo, &QToolButton::clicked, this, &TForm1::sbHazloClick);
    connect(sbAbrir, &QToolButton::clicked, this, &TForm1::sbAbrirClick);
    connect(sbSalvar, &QToolButton::clicked, this, &TForm1::sbSalvarClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(sbPrint, &QToolButton::clicked, this, &TForm1::sbPrintClick);
    // A click anywhere in the tree, after the tree has selected what was clicked.
    tvSolu->viewport()->installEventFilter(this);
    sgVerdad->SetDrawCell([this](StringGrid *, QPainter &p, int c, int r, const QRect &rect, CellState s) {
        sgVerdadDrawCell(p, c, r, rect, s);
    });
    sgKarna->SetDrawCell([this](StringGrid *, QPainter &p, int c, int r, const QRect &rect, CellState s) {
        sgKarnaDrawCell(p, c, r, rect, s);
    });
    sgVerdad->SetMouseDown([this](StringGrid *, Qt::MouseButton b, QPoint p) { sgVerdadMouseDown(b, p); });
    sgVerdad->SetMouseUp([this](StringGrid *, Qt::MouseButton b, QPoint p) { sgVerdadMouseUp(b, p); });
    sgKarna->SetMouseUp([this](StringGrid *, Qt::MouseButton b, QPoint p) { sgKarnaMouseUp(b, p); });
    sBarBaja->SetDrawPanel([this](int panel, const QRect &rect) { sBarBajaDrawPanel(panel, rect); });
    sgVerdad->SetKeyPress([this](StringGrid *grid, QKeyEvent *event) { return EditKey(grid, event); });
    sgKarna->SetKeyPress([this](StringGrid *grid, QKeyEvent *event) { return EditKey(grid, event); });
    // Every binding the platform gives undo and redo, and the two usual
    // ones for redo wherever they are not among them.
    QList<QKeySequence> redo = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})
        if (!redo.contains(key))
            redo << key;
    for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Undo))
        connect(new QShortcut(key, this), &QShortcut::activated, this, &TForm1::UndoClick);
    for (const QKeySequence &key : redo)
        connect(new QShortcut(key, this), &QShortcut::activated, this, &TForm1::RedoClick);
}

void TForm1::FormCreate()
{
    sBarBaja->SetOwnerDrawn(kPanelProgress, true);
    pBar->setParent(sBarBaja);
    // Flat inside the panel, without a frame of its own.
    pBar->setStyleSheet(QStringLiteral("QProgressBar { border: none; background: transparent; }"
                                       "QProgressBar::chunk { background: #3875D7; }"));
    pBar->show();
    sBarBajaDrawPanel(kPanelProgress, sBarBaja->PanelRect(kPanelProgress));
}

void TForm1::sBarBajaDrawPanel(int panel, const QRect &rect)
{
    if (panel != kPanelProgress)
        return;
    const QRect bar(rect.left(), rect.top(), rect.width() - 15, rect.height());
    if (pBar->geometry() != bar)
        pBar->setGeometry(bar);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize() { SetUp->setFixedWidth(frameGeometry().width() - 5); }

void TForm1::FormShow()
{
    if (udUno->Position() > 8)
        udUno->SetPosition(8);
    if (udUno->Position() < 3)
        udUno->SetPosition(3);
    lblNumVar->setText(QString::number(udUno->Position()));
    NumVar = lblNumVar->text().toInt();
    MapCellColor = kMapGrey;
    lblVersion->setText(QStringLiteral("v." QUINTORA_VERSION));
    lblVersion->adjustSize();
    BuildTables();
    // The start-up selections: the index cell of row 1, the map's first cell.
    sgVerdad->SetCurrentCell(0, 1);
    sgKarna->SetCurrentCell(1, 1);
    DataChanged = true;
}

void TForm1::PlaceTag1()
{
    lblTag1->adjustSize();
    lblTag1->move(280 - lblTag1->width(), 120);
}

void TForm1::BuildTables()
{
    const int n = NumVar, R = MapRowVars(n), C = MapColVars(n);
    const int rows = 1 << n;

    sgVerdad->SetSize(n + 2, rows + 1);
    int width = 21 * n + 62;
    int height = 500;
    if (n <= 4) {
        // Every row and the header, inside the one-pixel frame: no room is
        // left to scroll into.
        height = 21 * (rows + 1) + 2;
        width -= 17;
        sgVerdad->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        sgVerdad->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    sgVerdad->setFixedSize(width, height);
    for (int m = 0; m < rows; ++m) {
        for (int c = 1; c <= n; ++c)
            sgVerdad->SetCell(c, m + 1, TruthBitText(m, c, n));
        sgVerdad->SetCell(n + 1, m + 1, QString());
        sgVerdad->SetCell(0, m + 1, TruthIndexText(m));
    }

    sgKarna->SetSize((1 << C) + 1, (1 << R) + 1);
    sgKarna->setFixedSize(27 * ((1 << C) + 1) + 3, 27 * ((1 << R) + 1) + 3);
    for (int j = 0; j < (1 << C); ++j)
        sgKarna->SetCell(j + 1, 0, MapHeaderText(j, C));
    for (int i = 0; i < (1 << R); ++i)
        sgKarna->SetCell(0, i + 1, MapHeaderText(i, R));
    ShowNames();
    for (int r = 1; r <= (1 << R); ++r)
        for (int c = 1; c <= (1 << C); ++c)
            sgKarna->SetCell(c, r, QString());
    // A new map lights no term, and both grids start at their first row.
    m_litPattern.clear();
    MapCellColor = kMapGrey;
    sgKarna->RepaintAll();
    for (StringGrid *grid : {sgVerdad, sgKarna}) {
        grid->verticalScrollBar()->setValue(0);
        grid->horizontalScrollBar()->setValue(0);
    }

    lblVerdad->move(10 * n, lblVerdad->y());
    lblKarna->move(330 + 75 * ((n - 3) / 2), lblKarna->y());
    bVerdad->setFixedSize(sgVerdad->width() + 8, sgVerdad->height() + 8);
    SetUp->setFixedWidth(frameGeometry().width() - 5);
}

// ---------------------------------------------------------------- painting

void TForm1::sgVerdadDrawCell(QPainter &painter, int c, int r, const QRect &rect, CellState state)
{
    const QPalette &pal = sgVerdad->palette();
    QColor background, text;
    bool bold = true;
    const QString cell = sgVerdad->Cell(c, r);
    if (state.fixed && c == NumVar + 1) {
        background = pal.color(QPalette::Button);
        text = Hex(0xFF0000);
    } else if (state.fixed) {
        background = pal.color(QPalette::Button);
        text = pal.color(QPalette::WindowText);
    } else if (state.selected) {
        background = pal.color(QPalette::Highlight);
        text = pal.color(QPalette::HighlightedText);
    } else if (c == 0) {
        background = Hex(0xEEFFDD);
        text = Hex(0x808080);
        bold = false;
    } else if (c == NumVar + 1) {
        background = Hex(0xEEFFDD);
        text = ValueColour(cell.trimmed());
    } else if ((r + 1) % 2 == 0) { // even row index
        background = Hex(0xFFEEDD);
        text = Hex(0x0000FF);
    } else {
        background = Hex(0xFFFFDD);
        text = Hex(0x008000);
    }
    QFont font = sgVerdad->font();
    font.setBold(bold);
    painter.setFont(font);
    painter.fillRect(rect, background);
    painter.setPen(text);
    const QFontMetrics metrics(font);
    painter.drawText(QPoint(rect.left() + 2, rect.top() + 2 + metrics.ascent()), cell);
    if (state.focused)
        FocusRect(painter, rect);
    else if (state.fixed)
        RaisedEdge(painter, rect, pal);
}

void TForm1::sgKarnaDrawCell(QPainter &painter, int c, int r, const QRect &rect, CellState state)
{
    const QPalette &pal = sgKarna->palette();
    const QString cell = sgKarna->Cell(c, r);
    QFont font = sgKarna->font();
    font.setBold(true);
    if (state.fixed) {
        font.setPixelSize(11);
        painter.setFont(font);
        painter.fillRect(rect, pal.color(QPalette::Button));
        painter.setPen(pal.color(QPalette::WindowText));
        const int x = rect.left() + 12 - 2 * static_cast<int>(cell.size());
        painter.drawText(QPoint(x, rect.top() + 6 + QFontMetrics(font).ascent()), cell);
        RaisedEdge(painter, rect, pal);
        return;
    }
    font.setPixelSize(15);
    painter.setFont(font);
    QColor background, text;
    if (state.selected) {
        background = pal.color(QPalette::Highlight);
        text = pal.color(QPalette::HighlightedText);
    } else {
        // Green only where the term clicked last lies; any other repaint stays grey.
        const bool lit = MapCellColor == kMapGreen
                         && TermCovers(IndexOfMapCell(sgKarna->Cell(0, r), sgKarna->Cell(c, 0)), m_litPattern, NumVar);
        background = lit ? kMapGreen : kMapGrey;
        text = ValueColour(cell);
    }
    painter.fillRect(rect, background);
    painter.setPen(text);
    painter.drawText(QPoint(rect.left() + 8, rect.top() + 3 + QFontMetrics(font).ascent()), cell);
    if (state.focused)
        FocusRect(painter, rect);
}

// ---------------------------------------------------------------- editing

void TForm1::WriteValue(int m, const QString &truthText)
{
    sgVerdad->SetCell(NumVar + 1, m + 1, truthText);
    const MapCell cell = MapCellOfIndex(m, NumVar);
    sgKarna->SetCell(cell.column, cell.row, MapValueText(truthText));
}

QString TForm1::InsertionValue() const
{
    if (rbPon0->isChecked())
        return QStringLiteral("  0");
    if (rbPonX->isChecked())
        return QStringLiteral("  X");
    return QStringLiteral("  1");
}

void TForm1::sgVerdadMouseDown(Qt::MouseButton button, QPoint point)
{
    if (button != Qt::RightButton)
        return;
    const QPoint cell = sgVerdad->MouseToCell(point);
    if (cell.x() < 0)
        return;
    sgVerdad->SetCurrentCell(cell.x(), cell.y());
}

void TForm1::sgVerdadMouseUp(Qt::MouseButton, QPoint point)
{
    const int releaseRow = sgVerdad->MouseToCell(point).y();
    if (!rbPon1->isEnabled())
        return;
    if (releaseRow <= 0)
        return;
    DataChanged = true;
    const QString v = InsertionValue();
    const GridRect sel = sgVerdad->Selection();
    if (sel.Right != NumVar + 1)
        return;
    const FunctionState before = State();
    for (int r = std::max(sel.Top, 1); r <= sel.Bottom; ++r)
        WriteValue(sgVerdad->Cell(0, r).trimmed().toInt(), v);
    Edited(before, QStringLiteral("Tabla Verdad"));
}

void TForm1::sgKarnaMouseUp(Qt::MouseButton, QPoint point)
{
    const int releaseRow = sgKarna->MouseToCell(point).y();
    MapCellColor = kMapGrey;
    sgKarna->RepaintAll();
    if (!rbPon1->isEnabled())
        return;
    if (releaseRow <= 0)
        return;
    DataChanged = true;
    const QString v = InsertionValue();
    const GridRect sel = sgKarna->Selection();
    const FunctionState before = State();
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        for (int c = sel.Left; c <= sel.Right; ++c) {
            if (r == 0 || c == 0)
                continue;
            WriteValue(IndexOfMapCell(sgKarna->Cell(0, r), sgKarna->Cell(c, 0)), v);
        }
    }
    Edited(before, QStringLiteral("Tabla Karnaugh"));
}

// ---------------------------------------------------------------- lock, clear, count

void TForm1::UnlockClick()
{
    for (QWidget *w : std::initializer_list<QWidget *>{udUno, rbPon0, rbPon1, rbPonX})
        w->setEnabled(!w->isEnabled());
    Unlock->hide();
    Lock->show();
    sbBorrar->hide();
    lblBorrar->hide();
    pBar->setValue(0);
    for (int panel : {kPanelOnes, kPanelDontCares, kPanelTerms})
        sBarBaja->SetPanelText(panel, QString());
}

void TForm1::LockClick()
{
    for (QWidget *w : std::initializer_list<QWidget *>{udUno, rbPon0, rbPon1, rbPonX})
        w->setEnabled(!w->isEnabled());
    pBar->setValue(0);
    for (int panel : {kPanelOnes, kPanelDontCares, kPanelTerms})
        sBarBaja->SetPanelText(panel, QString());
    Unlock->show();
    sbBorrar->show();
    lblBorrar->show();
    Lock->hide();
}

void TForm1::udUnoClick()
{
    if (udUno->Position() > 8)
        udUno->SetPosition(8);
    if (udUno->Position() < 3)
        udUno->SetPosition(3);
    const FunctionState before = State();
    DataChanged = true;
    SetCount(udUno->Position());
    Edited(before, QString::fromUtf8("Nº Variables"));
}

// The spinner, its label, the progress bar's scale and both grids, rebuilt
// empty, for `n` variables.
void TForm1::SetCount(int n)
{
    udUno->SetPosition(n);
    lblNumVar->setText(QString::number(n));
    NumVar = n;
    pBar->setValue(0);
    pBar->setMaximum(8 << NumVar);
    BuildTables();
}

void TForm1::sbBorrarClick()
{
    const FunctionState before = State();
    DataChanged = true;
    MapCellColor = kMapGrey;
    for (int m = 0; m < RowCount(NumVar); ++m)
        WriteValue(m, QString());
    for (int panel : {kPanelOnes, kPanelDontCares, kPanelTerms})
        sBarBaja->SetPanelText(panel, QString());
    ClearSolutions();
    Edited(before, QStringLiteral("Borrar"));
}

void TForm1::ClearSolutions()
{
    Solved.reset();
    tvSolu->clear();
    m_litPattern.clear();
    MapCellColor = kMapGrey;
    sgKarna->RepaintAll();
}

void TForm1::FitSolutionsColumn()
{
    tvSolu->resizeColumnToContents(0);
    if (tvSolu->header()->sectionSize(0) < tvSolu->viewport()->width())
        tvSolu->header()->resizeSection(0, tvSolu->viewport()->width());
}

void TForm1::Image4Click()
{
    if (AboutBox)
        prompts::ShowModal(AboutBox);
}

// ---------------------------------------------------------------- solve

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (DropsInput(event))
        return true;
    if (watched == tvSolu->viewport() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        tvSoluClick();
    return QWidget::eventFilter(watched, event);
}

RowValues TForm1::ReadValues() const
{
    RowValues values(RowCount(NumVar));
    for (int r = 1; r <= RowCount(NumVar); ++r)
        values[r - 1] = RowValueOfText(sgVerdad->Cell(NumVar + 1, r));
    return values;
}

// A message box shows the normal cursor, whatever the command is doing.
void TForm1::Inform(const QString &text)
{
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::restoreOverrideCursor();
    prompts::Message(this, text);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TForm1::ShowProgress(const SearchProgress &progress)
{
    if (progress.BestCountChanged)
        sBarBaja->SetPanelText(kPanelTerms, QString::number(progress.BestTermCount));
    pBar->setValue(progress.TrialsDone);
}

// Mouse, keys and the like, to any window: while Resolver runs nothing may
// change the function it solves, and nothing may wait to run after it.
bool TForm1::DropsInput(QEvent *event) const
{
    if (!m_solving)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

SolvedFunction TForm1::SolveInBackground(const RowValues &values)
{
    // Thousands of trials a second: the bar is told at most once a frame, on
    // a change of the best count, and on the last trial.
    QElapsedTimer clock;
    clock.start();
    qint64 lastSent = -1000;
    const int trials = TrialCount(NumVar);
    const ProgressFn progress = [&](const SearchProgress &p) {
        const bool last = p.TrialsDone >= trials;
        if (!last && !p.BestCountChanged && clock.elapsed() - lastSent < 16)
            return;
        lastSent = clock.elapsed();
        QMetaObject::invokeMethod(this, [this, p] { ShowProgress(p); }, Qt::QueuedConnection);
    };
    const int numVar = NumVar;
    const VarNames names = NomVar;
    SolvedFunction solved;
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            // The exact step runs beside the trials; after them, their best
            // is proven minimal or replaced by a cover that is.
            const SolveOutcome outcome = MinimalSum(values, numVar, *Random, progress, kExactBudget, ExactNodeLimit);
            solved = DescribeSolution(values, numVar, names, outcome);
            // Grouping the zeros: no progress of its own, and the status bar
            // keeps counting the sum of products.
            AddMinimalProduct(solved, *Random, kExactBudget, ExactNodeLimit);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    m_solving = true;
    qApp->installEventFilter(this);
    worker->start();
    // The progress posted before the thread ended arrives before its end does.
    loop.exec();
    worker->wait();
    qApp->removeEventFilter(this);
    m_solving = false;
    if (failure)
        std::rethrow_exception(failure);
    return solved;
}

QTreeWidgetItem *TForm1::FindSolutionNode(QTreeWidget *tree, const QString &caption, bool makeVisible)
{
    auto upper = [](const QString &text) {
        QString out = text;
        for (QChar &ch : out)
            if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
                ch = QChar(ch.unicode() - 'a' + 'A');
        return out;
    };
    const QString wanted = upper(caption);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (upper((*it)->text(0)) == wanted) {
            if (makeVisible)
                tree->scrollToItem(*it);
            return *it;
        }
    }
    return nullptr;
}

void TForm1::sbHazloClick()
{
    if (m_solving)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DataChanged = false;
    for (QWidget *w : std::initializer_list<QWidget *>{udUno, rbPon0, rbPon1, rbPonX})
        w->setEnabled(false);
    Lock->show();
    Unlock->hide();
    sbBorrar->hide();
    lblBorrar->hide();
    MapCellColor = kMapGrey;
    // One step a trial, so that the last trial fills the bar.
    pBar->setMaximum(TrialCount(NumVar));

    const int rows = RowCount(NumVar);
    int ones = 0, dontCares = 0, undefined = 0;
    for (int r = 1; r <= rows; ++r) {
        const QString value = sgVerdad->Cell(NumVar + 1, r).trimmed();
        if (value.isEmpty()) {
            sgVerdad->SetCell(NumVar + 1, r, QStringLiteral("  0"));
            ++undefined;
        } else if (value == QLatin1String("1")) {
            ++ones;
        } else if (value == QLatin1String("X")) {
            ++dontCares;
        }
    }
    if (ones == 0) {
        // The old solutions belong to another function: left in the tree,
        // a click would light them and Imprimir would print them beside
        // this table.
        ClearSolutions();
        QApplication::restoreOverrideCursor();
        prompts::Message(this, QString::fromUtf8("No hay ningún 1 y la solución sería 0."));
        return;
    }
    sBarBaja->SetPanelText(kPanelOnes, QString::number(ones));
    sBarBaja->SetPanelText(kPanelDontCares, QString::number(dontCares));
    sBarBaja->SetPanelText(kPanelTerms, QStringLiteral("0"));
    sBarBaja->repaint();
    if (undefined > 0)
        Inform(QStringLiteral("Hay ") + QString::number(undefined)
               + QStringLiteral(" punto/s sin definir, se considerarán como 0'"));
    for (int r = 1; r < sgKarna->RowCount(); ++r)
        for (int c = 1; c < sgKarna->ColCount(); ++c)
            if (sgKarna->Cell(c, r).trimmed().isEmpty())
                sgKarna->SetCell(c, r, QStringLiteral("0"));
    sgVerdad->RepaintAll();
    sgKarna->RepaintAll();

    Solved = SolveInBackground(ReadValues());
    QApplication::restoreOverrideCursor();
    ShowSolutions(*Solved);
    pBar->setValue(0);
    if (m_closeAfterSolve) {
        m_closeAfterSolve = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

// The three branches of a solved function; each term keeps the cells it
// lights, so a click never reads its caption back.
void TForm1::ShowSolutions(const SolvedFunction &solved)
{
    tvSolu->setUpdatesEnabled(false);
    tvSolu->clear();
    // The minimal forms say, on their branch, whether the exact search proved
    // them minimal or stopped at its time limit with the best it had found.
    const std::tuple<QString, const QList<SolvedTerm> *, int, bool> branches[] = {
        {kSopCaption, &solved.minterms, 0, true},
        {kPosCaption, &solved.maxterms, 2, true},
        {kKarnaughCaption, &solved.karnaugh, 0, solved.proven},
        {kKarnaughPosCaption, &solved.sums, 2, solved.productProven}};
    for (const auto &[caption, terms, image, proven] : branches) {
        auto *node = new QTreeWidgetItem(tvSolu, QStringList{caption});
        node->setIcon(0, Imagenes[1]);
        if (!proven)
            node->setToolTip(0, kUnprovenNote);
        for (const SolvedTerm &term : *terms) {
            auto *child = new QTreeWidgetItem(node, QStringList{term.caption});
            child->setIcon(0, Imagenes[image]);
            child->setToolTip(0, term.caption);
            child->setData(0, Qt::UserRole, term.cells);
        }
        // Expanded within the same batch, so the tree lays out once.
        node->setExpanded(true);
    }
    FitSolutionsColumn();
    tvSolu->setUpdatesEnabled(true);
    // The minimal sum is what was asked for: its branch at the top, its
    // terms in sight below it.
    tvSolu->scrollToItem(FindSolutionNode(tvSolu, kKarnaughCaption, false), QAbstractItemView::PositionAtTop);
}

void TForm1::tvSoluClick()
{
    if (tvSolu->topLevelItemCount() == 0)
        return;
    sgKarna->SetCurrentCell(0, 0);
    MapCellColor = kMapGrey;
    m_litPattern.clear();
    sgKarna->RepaintAll();
    QTreeWidgetItem *node = tvSolu->currentItem();
    if (!node || !node->isSelected() || !node->parent())
        return;
    m_litPattern = node->data(0, Qt::UserRole).toString();
    if (m_litPattern.isEmpty()) // the empty product: no cell is 0
        return;
    for (int m = 0; m < RowCount(NumVar); ++m) {
        if (TermCovers(m, m_litPattern, NumVar)) {
            MapCellColor = kMapGreen;
            const MapCell cell = MapCellOfIndex(m, NumVar);
            sgKarna->SetCell(cell.column, cell.row, sgKarna->Cell(cell.column, cell.row));
        }
    }
}

// ---------------------------------------------------------------- open and save

void TForm1::sbSalvarClick() { Save(); }

bool TForm1::Save()
{
    QStringList cells;
    for (int r = 1; r <= RowCount(NumVar); ++r)
        cells << sgVerdad->Cell(NumVar + 1, r);
    const QString date = SaveDateText(QLocale::system(), QDateTime::currentDateTime());
    const QByteArray bytes = EncodeDataFile(ComposeDataFile(NumVar, NomVar, cells, date));
    const QString path = prompts::SaveFileName(this, QStringLiteral("Salvar como..."), kFileFilters, QStringLiteral("qmt"));
    if (path.isEmpty())
        return false;
    // The format the user chose, told by the name's extension; a PLA file
    // holds no empty rows, which it writes as 0.
    QString error;
    if (!WriteWholeFile(path, IsPlaPath(path) ? WritePla(NumVar, NomVar, State().values) : bytes, &error)) {
        prompts::Message(this, error);
        return false;
    }
    Edits->setClean();
    return true;
}

void TForm1::sbAbrirClick()
{
    if (!ConfirmDiscard())
        return;
    const QString path = prompts::OpenFileName(this, QStringLiteral("Abrir datos..."), kFileFilters, QStringLiteral("qmt"));
    if (path.isEmpty())
        return;
    const LoadResult loaded = LoadFunctionFile(path);
    if (loaded.status != LoadResult::Ok) {
        prompts::Message(this, loaded.errorText);
        return;
    }
    const DataFile &data = loaded.data;
    if (!IsPlaPath(path)) // a PLA file carries no date of saving
        prompts::Message(this, kFileDateMessage + data.dateText);

    const FunctionState before = State();
    SetCount(data.numVar);
    NomVar = data.names;
    ShowNames();
    for (int m = 0; m < RowCount(NumVar); ++m)
        WriteValue(m, TruthValueText(data.values.mid(m, 1)));
    // The function shown is no longer the one solved: Print waits for a new
    // Solve, and the old solutions go.
    DataChanged = true;
    ClearSolutions();
    // Undone, what was there before comes back; as opened, nothing is unsaved.
    Edited(before, QStringLiteral("Abrir"));
    Edits->setClean();
}

// The names on the truth table's header and the map's tags.
void TForm1::ShowNames()
{
    for (int i = 0; i < NumVar; ++i)
        sgVerdad->SetCell(i + 1, 0, TruthHeaderText(i + 1, NumVar, NomVar));
    sgVerdad->SetCell(NumVar + 1, 0, TruthHeaderText(NumVar + 1, NumVar, NomVar));
    lblTag1->setText(MapRowTag(NumVar, NomVar));
    lblTag2->setText(MapColTag(NumVar, NomVar));
    lblTag2->adjustSize();
    PlaceTag1();
}

// ---------------------------------------------------------------- names

void TForm1::SpeedButton1Click()
{
    if (Lock->isVisibleTo(this)) {
        prompts::Message(this, QStringLiteral("No se pueden cambiar nombres con sistema bloqueado"));
        return;
    }
    const FunctionState before = State();
    if (NomVars)
        prompts::ShowModal(NomVars);
    ShowNames();
    DataChanged = true;
    ClearSolutions();
    Edited(before, QStringLiteral("Nom. Vars."));
}

// ---------------------------------------------------------------- print

void TForm1::sbPrintClick()
{
    if (DataChanged) {
        prompts::Message(this, kPrintRefusedMessage);
        return;
    }
    if (!frmReport)
        return;
    // The function solved last, as solved; without one (a Resolver refused
    // for want of a 1) the table as it stands, with no sum.
    if (Solved) {
        FindSolutionNode(tvSolu, kKarnaughCaption, true);
        frmReport->Fill(BuildReportContent(*Solved));
    } else {
        QStringList values, indices;
        for (int r = 1; r <= RowCount(NumVar); ++r) {
            values << sgVerdad->Cell(NumVar + 1, r);
            indices << sgVerdad->Cell(0, r);
        }
        frmReport->Fill(BuildReportContent(NumVar, NomVar, values, indices, std::nullopt));
    }
    frmReport->Preview(this);
}

} // namespace quintora

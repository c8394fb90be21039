// The main window: layout, table building, editing, painting, lock and clear,
// and the handlers of the commands.
#pragma once

#include "controls.h"
#include "model.h"
#include "solver.h"
#include "style.h"

#include <QColor>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QWidget>
#include <memory>
#include <optional>

namespace quintora {

class TAboutBox;
class TNomVars;
class TfrmReport;

class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);

    // Program-wide state.
    int NumVar = 4;
    VarNames NomVar = DefaultNomVar();
    bool DataChanged = true;
    QColor MapCellColor = kMapGrey;

    TAboutBox *AboutBox = nullptr;
    TNomVars *NomVars = nullptr;
    TfrmReport *frmReport = nullptr;

    // The function solved last, while its solutions are shown: the tree,
    // the lit cells and the report read from it.
    std::optional<SolvedFunction> Solved;
    // Where the cover search draws from: reseeded from the clock before every
    // draw; tests put a seeded one here.
    std::unique_ptr<RandomSource> Random = std::make_unique<ClockRandom>();
    // Search nodes the exact step may take, when positive; tests set a few
    // to see a result that stops short of its proof.
    long ExactNodeLimit = 0;

    // Controls, as the layout names them.
    QFrame *SetUp;
    Picture *Image2, *Image4, *Image1, *Lock, *Unlock;
    QLabel *lblVersion, *Label8, *Label9, *Label4, *Label6, *Label1, *lblNumVar, *Label2, *lblBorrar, *Label3, *Label5;
    QToolButton *sbAbrir, *sbSalvar, *sbHazlo, *SpeedButton1, *sbBorrar, *sbPrint;
    QFrame *Bevel1;
    UpDown *udUno;
    QRadioButton *rbPon0, *rbPon1, *rbPonX;
    QFrame *bVerdad;
    QLabel *lblVerdad, *lblTag2, *lblTag1, *lblKarna, *Label7;
    StringGrid *sgVerdad, *sgKarna;
    QTreeWidget *tvSolu;
    StatusBar *sBarBaja;
    QProgressBar *pBar;
    QList<QIcon> Imagenes;

    // What a minimal form's branch says when the exact search stopped at its
    // limit: the form is the best found, not proven minimal.
    static inline const QString kUnprovenNote = QString::fromUtf8(
        "No se ha demostrado que sea mínima: la búsqueda exacta llegó a su límite. Es la mejor encontrada.");

    // Status bar panels: captions at the even ones, values at these.
    enum Panel { kPanelOnes = 1, kPanelDontCares = 3, kPanelTerms = 5, kPanelProgress = 7 };

    void BuildTables();
    // Row m's value into both grids: the truth table's text ("  1", or
    // empty) and the map's, its mirror.
    void WriteValue(int m, const QString &truthText);
    // The first node, in tree order, whose caption equals `caption` when the
    // letters a to z of both are put in upper case.
    static QTreeWidgetItem *FindSolutionNode(QTreeWidget *tree, const QString &caption, bool makeVisible);

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormResize();
    void sBarBajaDrawPanel(int panel, const QRect &rect);
    void sgVerdadDrawCell(QPainter &painter, int column, int row, const QRect &rect, CellState state);
    void sgKarnaDrawCell(QPainter &painter, int column, int row, const QRect &rect, CellState state);
    void sgVerdadMouseDown(Qt::MouseButton button, QPoint point);
    void sgVerdadMouseUp(Qt::MouseButton button, QPoint point);
    void sgKarnaMouseUp(Qt::MouseButton button, QPoint point);
    void UnlockClick();
    void LockClick();
    void sbBorrarClick();
    void udUnoClick();
    void Image4Click();
    void sbHazloClick();
    void sbAbrirClick();
    void sbSalvarClick();
    void SpeedButton1Click();
    void sbPrintClick();
    void tvSoluClick();
    // Ctrl+Z; Ctrl+Y or Ctrl+Shift+Z. Refused while the lock refuses edits.
    void UndoClick();
    void RedoClick();

    // The function and its names as they stand, and putting one back.
    FunctionState State() const;
    void RestoreState(const FunctionState &state);
    // Every edit since the last Guardar or Abrir, to undo and redo; clean
    // when nothing is left unsaved.
    QUndoStack *Edits = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetUpTopPanel();
    void SetUpBody();
    void SetUpStatusBar();
    void ConnectEvents();
    void PlaceTag1();
    // The solutions belong to one function: they go, with the term lit on
    // the map, whenever that function does.
    void ClearSolutions();
    // Records an edit that began with `before`, when it changed anything.
    void Edited(const FunctionState &before, const QString &what);
    // Asks before unsaved work would be lost; false when the user stops.
    bool ConfirmDiscard();
    // Guardar: true when the file was written.
    bool Save();
    void ShowNames();
    void SetCount(int n);
    bool EditKey(StringGrid *grid, QKeyEvent *event);
    void ShowSolutions(const SolvedFunction &solved);
    void FitSolutionsColumn();
    QString InsertionValue() const;
    RowValues ReadValues() const;
    void Inform(const QString &text);
    void ShowProgress(const SearchProgress &progress);
    // Resolver's work, in a thread of its own while this window keeps
    // painting and its progress bar moving; input that arrives meanwhile is
    // dropped, not queued to run another solve afterwards.
    SolvedFunction SolveInBackground(const RowValues &values);
    bool DropsInput(QEvent *event) const;
    bool m_solving = false;
    bool m_closeAfterSolve = false; // the window was asked to close mid-solve
    bool m_shown = false;
    // The pattern of the term clicked last: a map value cell is lit only while
    // MapCellColor is green and this pattern covers it.
    QString m_litPattern;
};

} // namespace quintora

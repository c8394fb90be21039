#include "report.h"

#include "prompts.h"
#include "reportpage.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quintora {


TfrmReport::TfrmReport(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Quintora - Soluciones"));
    hide();
}

void TfrmReport::Fill(const ReportContent &content)
{
    qrlFuncion = content.funcion;
    qrmVerdad = content.verdad;
    qrmSOP = content.sop;
    qrmPOS = content.pos;
    qrmKarnaugh = content.karnaugh;
    qrmNAND = content.nand;
}

ReportContent TfrmReport::Content() const
{
    return {qrlFuncion, qrmVerdad, qrmSOP, qrmPOS, qrmKarnaugh, qrmNAND};
}

void TfrmReport::Paint(QPainter &painter, QPagedPaintDevice &device, const QDateTime &produced) const
{
    PaintReportPage(painter, device, Content(), produced);
}

bool TfrmReport::WritePdf(const QString &path, QString *error) const
{
    return WriteReportPdf(path, Content(), error);
}

void TfrmReport::Preview(QWidget *owner)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    const QDateTime produced = QDateTime::currentDateTime();

    auto *window = new QWidget(owner, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Quintora - Soluciones"));
    // As large as it was designed, but never larger than the screen's free
    // area (less room for the window's frame): the whole page stays in view.
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 720, 860);
    window->resize(std::min(720, room.width() - 16), std::min(860, room.height() - 40));
    auto *preview = new QPrintPreviewWidget(&printer, window);
    preview->setZoomMode(QPrintPreviewWidget::FitInView);
    connect(preview, &QPrintPreviewWidget::paintRequested, window, [this, produced](QPrinter *p) {
        QPainter painter(p);
        Paint(painter, *p, produced);
    });
    auto *buttons = new QHBoxLayout;
    auto addButton = [&](const QString &text, auto slot) {
        auto *b = new QPushButton(text, window);
        connect(b, &QPushButton::clicked, window, slot);
        buttons->addWidget(b);
        return b;
    };
    addButton(QStringLiteral("Acercar"), [preview] { preview->zoomIn(); });
    addButton(QStringLiteral("Alejar"), [preview] { preview->zoomOut(); });
    addButton(QStringLiteral("Página entera"), [preview] { preview->fitInView(); });
    addButton(QStringLiteral("Imprimir..."), [window, preview, &printer] {
        QPrintDialog dialog(&printer, window);
        if (dialog.exec() == QDialog::Accepted)
            preview->print();
    });
    addButton(QStringLiteral("Guardar PDF..."), [this, window] {
        const QString path = prompts::SaveFileName(window, QStringLiteral("Guardar PDF..."),
                                                   QStringLiteral("Documento PDF (*.pdf)"), QStringLiteral("pdf"));
        QString error;
        if (!path.isEmpty() && !WritePdf(path, &error))
            prompts::Message(window, error);
    });
    buttons->addStretch();
    addButton(QStringLiteral("Cerrar"), [window] { window->close(); });
    auto *layout = new QVBoxLayout(window);
    layout->addLayout(buttons);
    layout->addWidget(preview);

    QEventLoop loop;
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    if (prompts::PreviewShown(window)) { // answered without a person
        delete window;
        return;
    }
    loop.exec();
}

} // namespace quintora

#include "reportpage.h"

#include "fileio.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace quintora {

namespace {

constexpr double kMargin = 10.0;                      // mm, all four sides
constexpr double kHeaderTop = kMargin;                // page header band
constexpr double kDetailTop = kHeaderTop + 10.6;      // detail band
constexpr double kFooterTop = kDetailTop + 234.7;     // page footer band

// Millimetres to device units.
class Page {
public:
    Page(QPainter &painter, QPagedPaintDevice &device) : m_painter(painter), m_dpi(device.logicalDpiY()) {}
    double Dev(double mm) const { return mm * m_dpi / 25.4; }
    QPointF At(double x, double y) const { return QPointF(Dev(x), Dev(y)); }
    QRectF Rect(double x, double y, double w, double h) const { return QRectF(Dev(x), Dev(y), Dev(w), Dev(h)); }

    QFont Font(const QString &family, double points, bool bold = false) const
    {
        QFont font(family);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    // A label: its text's top-left corner at (x, y).
    void Label(double x, double y, const QString &text, const QFont &font)
    {
        m_painter.setFont(font);
        m_painter.drawText(At(x, y) + QPointF(0, m_painter.fontMetrics().ascent()), text);
    }

    // A memo box: its lines from the top; when they are more than the box
    // holds at its font size, the text is set smaller until all of them fit,
    // so that nothing is lost from the page.
    void Memo(double x, double y, double w, double h, const QStringList &lines, double points)
    {
        const QRectF box = Rect(x, y, w, h);
        QFont font = Font(QStringLiteral("Arial"), points);
        m_painter.setFont(font);
        double spacing = m_painter.fontMetrics().lineSpacing();
        qreal widest = 0;
        for (const QString &line : lines)
            widest = std::max<qreal>(widest, m_painter.fontMetrics().horizontalAdvance(line));
        double scale = 1.0;
        if (lines.size() * spacing > box.height())
            scale = box.height() / (lines.size() * spacing);
        if (widest * scale > box.width())
            scale = box.width() / widest;
        if (scale < 1.0) {
            // A little under the exact ratio: glyph widths do not shrink quite linearly.
            font.setPointSizeF(points * scale * 0.95);
            m_painter.setFont(font);
            spacing = m_painter.fontMetrics().lineSpacing();
        }
        m_painter.save();
        m_painter.setClipRect(box);
        double baseline = box.top() + m_painter.fontMetrics().ascent();
        for (const QString &line : lines) {
            m_painter.drawText(QPointF(box.left(), baseline), line);
            baseline += spacing;
        }
        m_painter.restore();
    }

    QPainter &painter() { return m_painter; }

private:
    QPainter &m_painter;
    double m_dpi;
};

// The notation picture: what "|" means, with the bars it stands for.
void NotationPicture(Page &page, double x, double y)
{
    QPainter &p = page.painter();
    page.Label(x + 1, y + 1, QString::fromUtf8("Nota sobre signos: | -> Negación"), page.Font(QStringLiteral("Arial"), 10, true));
    const QFont font = page.Font(QStringLiteral("Arial"), 12);
    p.setFont(font);
    const QFontMetricsF metrics(font, p.device());
    const QString left = QString::fromUtf8("| (a·|b) = ");
    const QPointF base = page.At(x + 6, y + 14);
    p.drawText(base, left);
    const double start = base.x() + metrics.horizontalAdvance(left);
    const QString product = QString::fromUtf8("a·b");
    p.drawText(QPointF(start, base.y()), product);
    // One bar over the whole product, a second over the b.
    const double top = base.y() - metrics.ascent();
    const double width = metrics.horizontalAdvance(product);
    const double bWidth = metrics.horizontalAdvance(QStringLiteral("b"));
    QPen pen(Qt::black);
    pen.setWidthF(page.Dev(0.3));
    p.setPen(pen);
    p.drawLine(QPointF(start, top - page.Dev(1.2)), QPointF(start + width, top - page.Dev(1.2)));
    p.drawLine(QPointF(start + width - bWidth, top + page.Dev(0.2)), QPointF(start + width, top + page.Dev(0.2)));
}

} // namespace

void PaintReportPage(QPainter &painter, QPagedPaintDevice &device, const ReportContent &content, const QDateTime &produced)
{
    Page page(painter, device);
    painter.setPen(Qt::black);
    const QString arial = QStringLiteral("Arial");
    const QString greek = QStringLiteral("Liberation Serif");
    const double x0 = kMargin;

    page.Label(x0 + 45.5, kHeaderTop + 1.1, QStringLiteral("Quintora - Soluciones"), page.Font(arial, 20));

    const double d = kDetailTop;
    page.Label(x0 + 4.2, d + 3.2, QStringLiteral("Tabla verdad"), page.Font(arial, 14, true));
    page.Label(x0 + 41.3, d + 4.2, content.funcion, page.Font(arial, 12, true));
    page.Memo(x0 + 11.6, d + 13.8, 171.7, 24.6, content.verdad, 12);
    page.Label(x0 + 4.2, d + 46.6, QStringLiteral("Suma de productos (S.O.P.) - Minterms"), page.Font(arial, 14, true));
    page.Label(x0 + 8.5, d + 56.1, QString(QChar(0x03A3)), page.Font(greek, 20));
    page.Memo(x0 + 13.8, d + 58.2, 171.7, 24.6, content.sop, 12);
    page.Label(x0 + 4.2, d + 86.8, QStringLiteral("Producto de sumas (P.O.S.) - Maxterms"), page.Font(arial, 14, true));
    page.Label(x0 + 7.4, d + 96.3, QString(QChar(0x03A0)), page.Font(greek, 20));
    page.Memo(x0 + 14.8, d + 98.4, 170.7, 24.6, content.pos, 12);
    page.Label(x0 + 4.2, d + 127.0, QStringLiteral("Karnaugh"), page.Font(arial, 14, true));
    page.Label(x0 + 7.4, d + 133.3, QString(QChar(0x039A)), page.Font(greek, 20));
    page.Memo(x0 + 14.8, d + 135.5, 170.7, 24.6, content.karnaugh, 12);
    page.Label(x0 + 5.3, d + 164.0, QString::fromUtf8("Solución Karnaugh usando NAND"), page.Font(arial, 14, true));
    page.Label(x0 + 6.3, d + 172.0, QStringLiteral("f="), page.Font(arial, 20));
    page.Memo(x0 + 13.8, d + 173.6, 170.7, 24.6, content.nand, 12);
    NotationPicture(page, x0 + 49.7, d + 202.1);

    const double f = kFooterTop;
    page.Label(x0 + 1.1, f + 5.3, QStringLiteral("Quintora - proyecto Quintora - quintora@example.org"), page.Font(arial, 8));
    page.Label(x0 + 154.5, f + 5.3, QLocale::system().toString(produced, QLocale::ShortFormat), page.Font(arial, 8));
}

QByteArray ReportPdf(const ReportContent &content)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Quintora - Soluciones"));
    writer.setCreator(QStringLiteral("Quintora"));
    QPainter painter;
    if (!painter.begin(&writer))
        return QByteArray();
    PaintReportPage(painter, writer, content, QDateTime::currentDateTime());
    if (!painter.end())
        return QByteArray();
    return bytes;
}

bool WriteReportPdf(const QString &path, const ReportContent &content, QString *error)
{
    // Drawn whole in memory first, so that the file is replaced only by a
    // complete page, and every failure of the write itself is seen.
    const QByteArray bytes = ReportPdf(content);
    QString why = QStringLiteral("no se pudo componer la página");
    if (!bytes.isEmpty() && WriteWholeFile(path, bytes, &why))
        return true;
    if (error)
        *error = QStringLiteral("No se pudo guardar el PDF en «%1»: %2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

} // namespace quintora

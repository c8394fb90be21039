// The solutions report's A4 page, drawn from its content on any paged device
// (a printer, a PDF writer), and written as PDF. Needs QtGui only, so the
// command-line tool can write the page without widgets.
#pragma once

#include "reportcontent.h"

#include <QByteArray>
#include <QDateTime>

class QPainter;
class QPagedPaintDevice;

namespace quintora {

void PaintReportPage(QPainter &painter, QPagedPaintDevice &device, const ReportContent &content,
                     const QDateTime &produced);
// The page as a PDF document; empty when it could not be drawn.
QByteArray ReportPdf(const ReportContent &content);
// Replaces `path` by the page, whole or not at all; the Spanish reason in
// `error` when it could not.
bool WriteReportPdf(const QString &path, const ReportContent &content, QString *error = nullptr);

} // namespace quintora

// The solutions report: the form that holds its texts, the A4 page drawn from
// them, and its preview window.
#pragma once

#include "reportcontent.h"

#include <QDateTime>
#include <QWidget>

class QPainter;
class QPagedPaintDevice;

namespace quintora {

class TfrmReport : public QWidget {
    Q_OBJECT

public:
    explicit TfrmReport(QWidget *parent = nullptr);

    // The texts Print writes; they stay until the next Print.
    QString qrlFuncion;
    QStringList qrmVerdad, qrmSOP, qrmPOS, qrmKarnaugh, qrmNAND;

    void Fill(const ReportContent &content);
    ReportContent Content() const;
    // Draws the page on any paged device (a printer, a PDF writer).
    void Paint(QPainter &painter, QPagedPaintDevice &device, const QDateTime &produced) const;
    // Replaces `path` by the page, whole or not at all; the Spanish reason in
    // `error` when it could not.
    bool WritePdf(const QString &path, QString *error = nullptr) const;
    // Shows the page in a preview window and returns when that window closes;
    // the other windows stay usable meanwhile.
    void Preview(QWidget *owner);
};

} // namespace quintora

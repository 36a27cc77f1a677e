#include "views/calibration/PdfPage.h"

#include "core/session/StartUp.h"

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

namespace calibration {

namespace {

// The lowest line a block may reach; the foot lies below it.
double bottom() {
    return PdfPage::px(297 - PdfPage::Margin - 4);
}

} // namespace

PdfPage::PdfPage(QPdfWriter& writer, QPainter& painter)
    : writer_(writer), painter_(painter), y_(px(Margin)) {}

void PdfPage::font(double points, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    painter_.setFont(font);
}

double PdfPage::line() const {
    return painter_.fontMetrics().height() * 1.15;
}

bool PdfPage::fits(double height) const {
    return y_ + height <= bottom();
}

void PdfPage::need(double height) {
    if (fits(height))
        return;
    finishPage();
    writer_.newPage();
    y_ = px(Margin);
}

void PdfPage::finishPage() {
    ++pages_;
    painter_.save();
    font(7);
    painter_.setPen(Qt::darkGray);
    const QRectF foot(left(), px(297 - Margin + 2), width(), line());
    painter_.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, session::WindowCaption());
    painter_.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, QString::number(pages_));
    painter_.restore();
}

void PdfPage::text(double x, double width, const QString& text, int flags) {
    painter_.drawText(QRectF(x, y_, width, line()), flags | Qt::AlignVCenter, text);
}

double PdfPage::heightOf(double width, const QString& text) const {
    const QRectF bounds =
        painter_.boundingRect(QRectF(0, 0, width, px(200)), Qt::TextWordWrap, text);
    return std::max(line(), bounds.height());
}

double PdfPage::wrapped(double x, double width, const QString& text) {
    const double height = heightOf(width, text);
    painter_.drawText(QRectF(x, y_, width, height), Qt::TextWordWrap | Qt::AlignVCenter, text);
    return height;
}

void PdfPage::paragraph(const QString& text) {
    const QRectF bounds =
        painter_.boundingRect(QRectF(left(), y_, width(), px(200)), Qt::TextWordWrap, text);
    need(bounds.height());
    painter_.drawText(QRectF(left(), y_, width(), bounds.height()), Qt::TextWordWrap, text);
    y_ += bounds.height() + px(0.8);
}

void PdfPage::rule(double thickness) {
    painter_.setPen(QPen(Qt::black, px(thickness)));
    painter_.drawLine(QPointF(left(), y_), QPointF(left() + width(), y_));
}

double PdfPage::headerHeight(const QStringList& headers, double column) const {
    double height = 0.0;
    for (const QString& header : headers)
        height = std::max(height, painter_
                                      .boundingRect(QRectF(0, 0, column - 2 * px(1.0), px(30)),
                                                    Qt::TextWordWrap | Qt::AlignRight, header)
                                      .height());
    return height;
}

void PdfPage::header(const QStringList& headers, double column, double height) {
    const double pad = px(1.0);
    font(8, true);
    painter_.fillRect(QRectF(left(), y_, width(), height + pad * 2), QColor(235, 235, 235));
    for (int c = 0; c < headers.size(); ++c)
        painter_.drawText(QRectF(left() + c * column + pad, y_ + pad, column - 2 * pad, height),
                          Qt::TextWordWrap | Qt::AlignRight | Qt::AlignBottom, headers[c]);
    y_ += height + pad * 2;
    rule(0.3);
    font(9);
}

void PdfPage::table(const QStringList& headers, const QList<QStringList>& rows, bool keepTogether) {
    const double column = width() / static_cast<double>(headers.size());
    const double pad = px(1.0);
    font(8, true);
    const double top = headerHeight(headers, column) + pad * 2;
    font(9);
    const double whole = top + line() * static_cast<double>(rows.size()) + px(3);
    const bool together = keepTogether && whole <= bottom() - px(Margin);
    need(together ? whole : top + line() * 2);
    header(headers, column, top - pad * 2);
    for (const QStringList& row : rows) {
        if (!fits(line())) {
            need(top + line());
            header(headers, column, top - pad * 2);
        }
        for (int c = 0; c < row.size(); ++c)
            text(left() + c * column + pad, column - 2 * pad, row[c], Qt::AlignRight);
        y_ += line();
    }
    rule(0.3);
    y_ += px(3);
}

void PdfPage::fields(const std::vector<std::pair<QString, QString>>& fields, int columns,
                     double labelWidthMm) {
    const double gap = px(4);
    const double cell = (width() - gap * (columns - 1)) / columns;
    const double label = px(labelWidthMm);
    const double pad = px(1.5);
    for (std::size_t first = 0; first < fields.size(); first += static_cast<std::size_t>(columns)) {
        double height = 0.0;
        const std::size_t end = std::min(fields.size(), first + static_cast<std::size_t>(columns));
        font(9, true);
        for (std::size_t i = first; i < end; ++i)
            height = std::max(height, heightOf(label - pad, fields[i].first));
        font(9);
        for (std::size_t i = first; i < end; ++i)
            height = std::max(height, heightOf(cell - label, fields[i].second));
        need(height);
        for (std::size_t i = first; i < end; ++i) {
            const double x = left() + static_cast<double>(i - first) * (cell + gap);
            font(9, true);
            painter_.drawText(QRectF(x, y_, label - pad, height), Qt::TextWordWrap | Qt::AlignTop,
                              fields[i].first);
            font(9);
            painter_.drawText(QRectF(x + label, y_, cell - label, height),
                              Qt::TextWordWrap | Qt::AlignTop, fields[i].second);
        }
        y_ += height;
    }
}

} // namespace calibration

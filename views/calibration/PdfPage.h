#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QPainter;
class QPdfWriter;

namespace calibration {

// Writes down an A4 page in millimetres, starting a new page when the next block does not fit.
class PdfPage {
public:
    static constexpr int Resolution = 300;
    static constexpr double Margin = 16.0;

    PdfPage(QPdfWriter& writer, QPainter& painter);

    [[nodiscard]] static double px(double mm) { return mm * Resolution / 25.4; }
    [[nodiscard]] static double left() { return px(Margin); }
    [[nodiscard]] static double width() { return px(210 - 2 * Margin); }
    [[nodiscard]] double& y() { return y_; }
    [[nodiscard]] QPainter& painter() { return painter_; }

    void font(double points, bool bold = false);
    [[nodiscard]] double line() const;
    [[nodiscard]] bool fits(double height) const;
    // A new page unless `height` fits below the current line.
    void need(double height);
    // The foot of the page: the program and the page's number.
    void finishPage();
    void text(double x, double width, const QString& text, int flags = Qt::AlignLeft);
    [[nodiscard]] double heightOf(double width, const QString& text) const;
    // Wrapped text in a column from the current line down; returns its height, one line at
    // least, so that a long typed text is shown whole rather than cut at the column's edge.
    double wrapped(double x, double width, const QString& text);
    // Wrapped text across the page.
    void paragraph(const QString& text);
    void rule(double thickness = 0.2);

    // A table across the page, its columns of equal width and right-aligned, its header shaded
    // and drawn again on each page it goes on to. Kept together, it begins on a new page unless
    // it fits whole below the current line (or is longer than a page).
    void table(const QStringList& headers, const QList<QStringList>& rows,
               bool keepTogether = false);
    // Labels and values in `columns` columns of pairs, row by row; a long value wraps.
    void fields(const std::vector<std::pair<QString, QString>>& fields, int columns,
                double labelWidthMm);

private:
    [[nodiscard]] double headerHeight(const QStringList& headers, double column) const;
    void header(const QStringList& headers, double column, double height);

    QPdfWriter& writer_;
    QPainter& painter_;
    double y_;
    int pages_ = 0;
};

} // namespace calibration

#pragma once

#include <QString>
#include <QStringView>

namespace sensor {

// The text cut to `width` characters (never through a character that needs two UTF-16 units)
// and padded with blanks on the right to exactly `width`.
[[nodiscard]] QString fitToWidth(QStringView text, qsizetype width);

// The text without leading and trailing blanks (other white space is kept, as the instrument
// stores it).
[[nodiscard]] inline QString trimBlanks(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first).toString();
}

// A text field of exactly N characters: a shorter text is filled up with blanks on the right,
// a longer one is cut. The blanks are part of the value; they show wherever the field is
// formatted or shown.
template <qsizetype N> class FixedText {
public:
    static constexpr qsizetype Width = N;

    FixedText() : text_(N, u' ') {}
    explicit FixedText(QStringView text) { assign(text); }

    FixedText& operator=(QStringView text) {
        assign(text);
        return *this;
    }
    FixedText& operator=(const QString& text) {
        assign(text);
        return *this;
    }

    // Always exactly N characters.
    [[nodiscard]] const QString& text() const { return text_; }
    [[nodiscard]] QString trimmed() const { return trimBlanks(text_); }
    [[nodiscard]] bool isBlank() const { return trimmed().isEmpty(); }

    friend bool operator==(const FixedText&, const FixedText&) = default;

private:
    void assign(QStringView text) { text_ = fitToWidth(text, N); }

    QString text_;
};

} // namespace sensor

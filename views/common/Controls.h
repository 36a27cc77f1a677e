#pragma once

#include <QLabel>
#include <QList>
#include <QString>
#include <QWidget>
#include <array>
#include <cstddef>
#include <type_traits>

class QAction;
class QColor;
class QKeySequence;

namespace ui {

// Creates a child control with the name the rest of the program and the tests look it up by.
// Labels show their text as it is (language texts and instrument texts are never markup).
template <class T> T* makeControl(QWidget* parent, const QString& name) {
    auto* control = new T(parent);
    control->setObjectName(name);
    if constexpr (std::is_base_of_v<QLabel, T>)
        control->setTextFormat(Qt::PlainText);
    return control;
}

// A group of like controls addressed by index; element i is named "<name>_<i>".
template <class T, std::size_t N>
std::array<T*, N> makeControlArray(QWidget* parent, const QString& name) {
    std::array<T*, N> controls{};
    for (std::size_t i = 0; i < N; ++i)
        controls[i] = makeControl<T>(parent, QStringLiteral("%1_%2").arg(name).arg(i));
    return controls;
}

// A control array whose indexes start at Lower (the layout keeps the indexes of a group whose
// lower members were removed): element i is named "<name>_<i>" and read with [i].
template <class T, int Lower, std::size_t N> class ControlArray {
public:
    static constexpr int First = Lower;
    static constexpr int Last = Lower + static_cast<int>(N) - 1;

    ControlArray(QWidget* parent, const QString& name) {
        for (std::size_t i = 0; i < N; ++i)
            controls_[i] = makeControl<T>(
                parent, QStringLiteral("%1_%2").arg(name).arg(Lower + static_cast<int>(i)));
    }

    [[nodiscard]] static constexpr bool contains(int index) {
        return index >= First && index <= Last;
    }
    // index must lie in First..Last.
    T* operator[](int index) const { return controls_.at(static_cast<std::size_t>(index - Lower)); }
    [[nodiscard]] auto begin() const { return controls_.begin(); }
    [[nodiscard]] auto end() const { return controls_.end(); }

private:
    std::array<T*, N> controls_{};
};

// An indicator lamp: the label's background takes the colour (the text stays readable on it).
// A disabled lamp is grey whatever its colour: nothing it shows is current.
void setLampColour(QLabel& label, const QColor& colour);
// Text colour of a label, for warnings.
void setTextColour(QLabel& label, const QColor& colour);

// A named action of `owner` whose key works anywhere in owner's window.
QAction* makeAction(QWidget& owner, const QString& name, const QKeySequence& key,
                    const QString& text = {});
// The action is an entry of its owner's context menu (contextMenuActions).
void offerInContextMenu(QAction& action);
// The owner's actions offered in its context menu, in the order they were added.
[[nodiscard]] QList<QAction*> contextMenuActions(const QWidget& owner);

} // namespace ui

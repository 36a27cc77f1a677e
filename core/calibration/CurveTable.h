#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace text {
class LanguageTable;
}

namespace calibration {

enum class SlotState : std::uint8_t { Empty = 0, Used = 3 };

struct CurvePoint {
    float etalon = 0.0f;
    float signal = 0.0f;
    SlotState state = SlotState::Empty;

    bool operator==(const CurvePoint&) const = default;
};

enum class DuplicateKind { Etalon, Signal };

// The first shared etalon or signal the duplicate check met, for the operator's message.
struct CurveDuplicate {
    DuplicateKind kind = DuplicateKind::Etalon;
    float value = 0.0f;
};

// The sensor's calibration points, numbered 1 to 40. Used points occupy slots 1 to
// PointCount() and every slot above is empty; the operations below keep it so.
class CurveTable {
public:
    static constexpr int SlotCount = 40;

    [[nodiscard]] int PointCount() const { return pointCount_; }
    [[nodiscard]] bool isFull() const { return pointCount_ >= SlotCount; }
    // Throws std::out_of_range outside 1..40.
    [[nodiscard]] const CurvePoint& point(int slot) const;

    // Writes a slot as it is; PointCount() follows only after CountCurvePoints().
    void setSlot(int slot, const CurvePoint& point);
    // Changes the values of a slot and keeps its state.
    void setPoint(int slot, float signal, float etalon);
    // Puts a used point into the slot after the last one; false when the table is full.
    [[nodiscard]] bool append(float signal, float etalon);
    // Every slot empty with signal and etalon 0.
    void clear();

    void CountCurvePoints();
    // Stable bubble sort by rising signal; only used slots move down past a neighbour.
    void SortCurvePoints();
    // Closes the gap left by the point in the slot; nothing for a slot that holds no point.
    void RemoveCurvePoint(int slot);
    // The first slot (1 to PointCount()) whose signal equals exactly; 0 when none does.
    [[nodiscard]] int FindSignal(float signal) const;
    // Walks the points in order, each one's etalon before its signal; nullopt when no two used
    // points share an etalon and no two share a signal.
    [[nodiscard]] std::optional<CurveDuplicate> FindCurveDuplicate() const;
    // The etalon, else the signal, that the point in the slot shares with another used point.
    [[nodiscard]] std::optional<CurveDuplicate> duplicateOf(int slot) const;

    // "###0.000" signal, two blanks, the etalon in unitFormat (trailing blanks kept),
    // both right-aligned in their fields.
    [[nodiscard]] QString CurveRowText(int slot, QStringView unitFormat) const;
    // One row per point, in slot order: the contents of the curve list.
    [[nodiscard]] QStringList CurveListRows(QStringView unitFormat) const;

    bool operator==(const CurveTable&) const = default;

private:
    [[nodiscard]] CurvePoint& at(int slot);
    [[nodiscard]] int countUsed(float CurvePoint::*field, float value) const;

    std::array<CurvePoint, SlotCount> slots_{};
    int pointCount_ = 0;
};

// Language text 42 (etalon) or 44 (signal), the value as general number text with up to 7
// significant digits and language text 43, separated by blanks.
[[nodiscard]] QString DuplicateMessage(const CurveDuplicate& duplicate,
                                       const text::LanguageTable& texts);

} // namespace calibration

// The curve table driven by a stream of operations, each checked against a plain list of the
// points the table must hold.
#include "core/calibration/CurveEvaluation.h"
#include "core/calibration/CurveTable.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

using calibration::CurvePoint;
using calibration::CurveTable;
using calibration::SlotState;
using fuzzing::check;
using fuzzing::sameBits;

namespace {

// Operation codes, the first byte of each step.
enum class Op : std::uint8_t {
    Append,     // signal, etalon (two little-endian floats)
    Remove,     // slot byte
    Sort,       //
    SetPoint,   // slot byte, signal, etalon
    Load,       // count byte, then count pairs of floats: a record's curve put into the slots
    Clear,      //
    Evaluate,   // signal
    FindSignal, // signal
    Duplicates, //
    Rows,       // unit format byte
    Count
};

constexpr std::array<const char16_t*, 4> UnitFormats = {u"######0", u"##0.000", u"0.00000",
                                                        u"0.00E+00"};

struct Point {
    float signal;
    float etalon;
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    [[nodiscard]] bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    float number() {
        std::array<std::uint8_t, 4> raw{};
        for (auto& b : raw)
            b = byte();
        float value = 0.0F;
        std::memcpy(&value, raw.data(), sizeof value);
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

bool same(const CurvePoint& slot, const Point& point) {
    return slot.state == SlotState::Used && sameBits(slot.signal, point.signal) &&
           sameBits(slot.etalon, point.etalon);
}

void checkTable(const CurveTable& table, const std::vector<Point>& points) {
    check(table.PointCount() == static_cast<int>(points.size()));
    check(table.isFull() == (points.size() == CurveTable::SlotCount));
    for (int slot = 1; slot <= CurveTable::SlotCount; ++slot) {
        const auto i = static_cast<std::size_t>(slot - 1);
        if (i < points.size())
            check(same(table.point(slot), points[i]));
        else
            check(table.point(slot).state == SlotState::Empty);
    }
}

bool throwsOutOfRange(const CurveTable& table, int slot) {
    try {
        (void)table.point(slot);
    } catch (const std::out_of_range&) {
        return true;
    }
    return false;
}

bool allFinite(const std::vector<Point>& points) {
    return std::all_of(points.begin(), points.end(), [](const Point& p) {
        return std::isfinite(p.signal) && std::isfinite(p.etalon);
    });
}

// The curve passes through its own points when their signals rise strictly.
void checkThroughPoints(const CurveTable& table, const std::vector<Point>& points) {
    if (points.size() < 2 || !allFinite(points))
        return;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (!(points[i - 1].signal < points[i].signal))
            return;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const float value = calibration::EvaluateCurve(table, points[i].signal);
        const std::size_t j = i + 1 < points.size() ? i + 1 : i - 1;
        const double scale = std::max(std::fabs(points[i].etalon), std::fabs(points[j].etalon));
        check(std::fabs(static_cast<double>(value) - points[i].etalon) <= scale * 1e-6);
    }
}

std::optional<calibration::CurveDuplicate> firstDuplicate(const std::vector<Point>& points) {
    const auto count = [&](float Point::*field, float value) {
        return std::count_if(points.begin(), points.end(),
                             [&](const Point& p) { return p.*field == value; });
    };
    for (const Point& p : points) {
        if (count(&Point::etalon, p.etalon) > 1)
            return calibration::CurveDuplicate{calibration::DuplicateKind::Etalon, p.etalon};
        if (count(&Point::signal, p.signal) > 1)
            return calibration::CurveDuplicate{calibration::DuplicateKind::Signal, p.signal};
    }
    return std::nullopt;
}

void step(Op op, Input& in, CurveTable& table, std::vector<Point>& points) {
    switch (op) {
    case Op::Append: {
        const Point p{in.number(), in.number()};
        const bool room = points.size() < CurveTable::SlotCount;
        check(table.append(p.signal, p.etalon) == room);
        if (room)
            points.push_back(p);
        break;
    }
    case Op::Remove: {
        const int slot = in.byte() % 43 - 1;
        table.RemoveCurvePoint(slot);
        if (slot >= 1 && slot <= static_cast<int>(points.size()))
            points.erase(points.begin() + (slot - 1));
        break;
    }
    case Op::Sort: {
        table.SortCurvePoints();
        const bool ordered = std::none_of(points.begin(), points.end(),
                                          [](const Point& p) { return std::isnan(p.signal); });
        if (ordered) {
            std::stable_sort(points.begin(), points.end(),
                             [](const Point& a, const Point& b) { return a.signal < b.signal; });
        } else {
            // Without an order the points only have to stay the same points.
            std::vector<Point> now;
            for (int slot = 1; slot <= table.PointCount(); ++slot)
                now.push_back({table.point(slot).signal, table.point(slot).etalon});
            const auto key = [](const Point& p) {
                return std::pair(std::bit_cast<std::uint32_t>(p.signal),
                                 std::bit_cast<std::uint32_t>(p.etalon));
            };
            const auto byKey = [&](const Point& a, const Point& b) { return key(a) < key(b); };
            std::vector<Point> sortedBefore = points;
            std::vector<Point> sortedNow = now;
            std::sort(sortedBefore.begin(), sortedBefore.end(), byKey);
            std::sort(sortedNow.begin(), sortedNow.end(), byKey);
            check(std::equal(sortedBefore.begin(), sortedBefore.end(), sortedNow.begin(),
                             sortedNow.end(),
                             [&](const Point& a, const Point& b) { return key(a) == key(b); }));
            points = now;
        }
        break;
    }
    case Op::SetPoint: {
        const int slot = in.byte() % 42;
        const Point p{in.number(), in.number()};
        if (slot < 1 || slot > CurveTable::SlotCount) {
            bool refused = false;
            try {
                table.setPoint(slot, p.signal, p.etalon);
            } catch (const std::out_of_range&) {
                refused = true;
            }
            check(refused);
            break;
        }
        // Above the last point the slot takes the values and stays empty.
        table.setPoint(slot, p.signal, p.etalon);
        if (slot <= static_cast<int>(points.size()))
            points[static_cast<std::size_t>(slot - 1)] = p;
        break;
    }
    case Op::Load: {
        const int count = in.byte() % (CurveTable::SlotCount + 1);
        table.clear();
        points.clear();
        for (int slot = 1; slot <= count; ++slot) {
            const Point p{in.number(), in.number()};
            table.setSlot(slot, CurvePoint{p.etalon, p.signal, SlotState::Used});
            points.push_back(p);
        }
        table.CountCurvePoints();
        break;
    }
    case Op::Clear:
        table.clear();
        points.clear();
        break;
    case Op::Evaluate: {
        const float value = calibration::EvaluateCurve(table, in.number());
        if (points.size() < 2)
            check(value == 0.0F);
        break;
    }
    case Op::FindSignal: {
        const float signal = in.byte() % 2 == 0 && !points.empty()
                                 ? points[in.byte() % points.size()].signal
                                 : in.number();
        const auto found = std::find_if(points.begin(), points.end(),
                                        [&](const Point& p) { return p.signal == signal; });
        const int expected =
            found == points.end() ? 0 : static_cast<int>(found - points.begin()) + 1;
        check(table.FindSignal(signal) == expected);
        break;
    }
    case Op::Duplicates: {
        const auto found = table.FindCurveDuplicate();
        const auto expected = firstDuplicate(points);
        check(found.has_value() == expected.has_value());
        if (found)
            check(found->kind == expected->kind && sameBits(found->value, expected->value));
        break;
    }
    case Op::Rows: {
        const auto* format = UnitFormats[in.byte() % UnitFormats.size()];
        const QStringList rows = table.CurveListRows(QStringView(format));
        check(rows.size() == static_cast<qsizetype>(points.size()));
        for (qsizetype i = 0; i < rows.size(); ++i)
            check(rows[i] == table.CurveRowText(static_cast<int>(i + 1), QStringView(format)));
        break;
    }
    case Op::Count:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    CurveTable table;
    std::vector<Point> points;
    while (!in.done()) {
        const auto op = static_cast<Op>(in.byte() % static_cast<std::uint8_t>(Op::Count));
        step(op, in, table, points);
        checkTable(table, points);
        check(throwsOutOfRange(table, 0) && throwsOutOfRange(table, CurveTable::SlotCount + 1));
        checkThroughPoints(table, points);
    }
    return 0;
}

// The curve table driven by a stream of operations, each checked against a plain list of the
// points the table must hold.
#include "core/calibration/CurveEvaluation.h"
#include "core/calibration/CurveTable.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

using calibration::CurveTable;
using calibration::SlotState;
using fuzzing::check;
using fuzzing::sameBits;

namespace {

// Operation codes, the first byte of each step, and what follows them.
enum class Op : std::uint8_t {
    Append,     // signal, etalon (two little-endian floats)
    Remove,     // slot byte
    Sort,       //
    SetPoint,   // slot byte, signal, etalon
    Load,       // count byte, then count pairs of floats: a record's curve put into the slots
    Clear,      //
    Evaluate,   // signal
    FindSignal, // a byte, then a signal when it is odd
    Duplicates, //
    Count
};

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
        std::uint32_t bits = 0;
        for (int shift = 0; shift < 32; shift += 8)
            bits |= std::uint32_t{byte()} << shift;
        return std::bit_cast<float>(bits);
    }
    Point point() { return {number(), number()}; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::vector<Point> pointsIn(const CurveTable& table) {
    std::vector<Point> points;
    for (int slot = 1; slot <= table.PointCount(); ++slot)
        points.push_back({table.point(slot).signal, table.point(slot).etalon});
    return points;
}

// Used slots 1..n hold the points, the slots above are empty.
void checkTable(const CurveTable& table, const std::vector<Point>& points) {
    check(table.PointCount() == static_cast<int>(points.size()) &&
          table.isFull() == (points.size() == CurveTable::SlotCount));
    const std::vector<Point> held = pointsIn(table);
    check(std::equal(held.begin(), held.end(), points.begin(), points.end(), [](Point a, Point b) {
        return sameBits(a.signal, b.signal) && sameBits(a.etalon, b.etalon);
    }));
    for (int slot = 1; slot <= CurveTable::SlotCount; ++slot)
        check(table.point(slot).state ==
              (slot <= table.PointCount() ? SlotState::Used : SlotState::Empty));
}

// The curve passes through its own points when their signals rise strictly.
void checkThroughPoints(const CurveTable& table, const std::vector<Point>& points) {
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!std::isfinite(points[i].etalon) || !std::isfinite(points[i].signal) ||
            (i > 0 && !(points[i - 1].signal < points[i].signal)))
            return;
    for (std::size_t i = 0; points.size() >= 2 && i < points.size(); ++i) {
        const std::size_t j = i + 1 < points.size() ? i + 1 : i - 1;
        const double scale = std::max(std::fabs(points[i].etalon), std::fabs(points[j].etalon));
        const float value = calibration::EvaluateCurve(table, points[i].signal);
        check(std::fabs(static_cast<double>(value) - points[i].etalon) <= scale * 1e-6);
    }
}

void step(Op op, Input& in, CurveTable& table, std::vector<Point>& points) {
    switch (op) {
    case Op::Append: {
        const Point p = in.point();
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
    case Op::Sort:
        table.SortCurvePoints();
        // Signals that are no number have no order (nor can the program's points hold one).
        if (std::any_of(points.begin(), points.end(), [](Point p) { return std::isnan(p.signal); }))
            points = pointsIn(table);
        else
            std::stable_sort(points.begin(), points.end(),
                             [](Point a, Point b) { return a.signal < b.signal; });
        break;
    case Op::SetPoint: {
        const int slot = in.byte() % 42;
        const Point p = in.point();
        bool refused = false;
        try {
            table.setPoint(slot, p.signal, p.etalon);
        } catch (const std::out_of_range&) {
            refused = true;
        }
        // Above the last point the slot takes the values and stays empty.
        check(refused == (slot < 1 || slot > CurveTable::SlotCount));
        if (slot >= 1 && slot <= static_cast<int>(points.size()))
            points[static_cast<std::size_t>(slot - 1)] = p;
        break;
    }
    case Op::Load: {
        const int count = in.byte() % (CurveTable::SlotCount + 1);
        table.clear();
        points.clear();
        for (int slot = 1; slot <= count; ++slot) {
            points.push_back(in.point());
            table.setSlot(slot, {points.back().etalon, points.back().signal, SlotState::Used});
        }
        table.CountCurvePoints();
        break;
    }
    case Op::Clear:
        table.clear();
        points.clear();
        break;
    case Op::Evaluate:
        check(calibration::EvaluateCurve(table, in.number()) == 0.0F || points.size() >= 2);
        break;
    case Op::FindSignal: {
        const float signal = in.byte() % 2 == 0 && !points.empty()
                                 ? points[in.byte() % points.size()].signal
                                 : in.number();
        const auto found = std::find_if(points.begin(), points.end(),
                                        [&](const Point& p) { return p.signal == signal; });
        check(table.FindSignal(signal) ==
              (found == points.end() ? 0 : static_cast<int>(found - points.begin()) + 1));
        break;
    }
    case Op::Duplicates: {
        // Each point's etalon is looked at before its signal.
        std::optional<calibration::CurveDuplicate> expected;
        const auto shared = [&](float Point::*field, float value) {
            return std::count_if(points.begin(), points.end(),
                                 [&](const Point& p) { return p.*field == value; }) > 1;
        };
        for (auto p = points.begin(); p != points.end() && !expected; ++p)
            if (shared(&Point::etalon, p->etalon))
                expected = {calibration::DuplicateKind::Etalon, p->etalon};
            else if (shared(&Point::signal, p->signal))
                expected = {calibration::DuplicateKind::Signal, p->signal};
        const auto found = table.FindCurveDuplicate();
        check(
            found.has_value() == expected.has_value() &&
            (!found || (found->kind == expected->kind && sameBits(found->value, expected->value))));
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
        step(static_cast<Op>(in.byte() % static_cast<std::uint8_t>(Op::Count)), in, table, points);
        checkTable(table, points);
        checkThroughPoints(table, points);
    }
    return 0;
}

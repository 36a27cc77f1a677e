#include "core/calibration/CurveTable.h"

#include "core/text/LanguageTable.h"
#include "core/text/NumberText.h"

#include <stdexcept>
#include <utility>

namespace calibration {

namespace {

std::size_t index(int slot) {
    if (slot < 1 || slot > CurveTable::SlotCount)
        throw std::out_of_range("curve slot outside 1..40");
    return static_cast<std::size_t>(slot - 1);
}

} // namespace

const CurvePoint& CurveTable::point(int slot) const {
    return slots_[index(slot)];
}

CurvePoint& CurveTable::at(int slot) {
    return slots_[index(slot)];
}

void CurveTable::setSlot(int slot, const CurvePoint& point) {
    at(slot) = point;
}

void CurveTable::setPoint(int slot, float signal, float etalon) {
    CurvePoint& target = at(slot);
    target.signal = signal;
    target.etalon = etalon;
}

bool CurveTable::append(float signal, float etalon) {
    if (isFull())
        return false;
    ++pointCount_;
    at(pointCount_) = {etalon, signal, SlotState::Used};
    return true;
}

void CurveTable::clear() {
    slots_.fill(CurvePoint{});
    pointCount_ = 0;
}

void CurveTable::CountCurvePoints() {
    pointCount_ = 0;
    for (const CurvePoint& slot : slots_)
        if (slot.state != SlotState::Empty)
            ++pointCount_;
}

void CurveTable::SortCurvePoints() {
    for (int pass = 0; pass < SlotCount; ++pass) {
        for (int k = SlotCount; k >= 2; --k) {
            CurvePoint& upper = at(k);
            CurvePoint& lower = at(k - 1);
            if (upper.state == SlotState::Used && upper.signal < lower.signal)
                std::swap(upper, lower);
        }
    }
}

void CurveTable::RemoveCurvePoint(int slot) {
    if (slot < 1 || slot > pointCount_)
        return;
    for (int j = slot; j < SlotCount; ++j)
        at(j) = at(j + 1);
    at(SlotCount).state = SlotState::Empty;
    --pointCount_;
}

int CurveTable::FindSignal(float signal) const {
    for (int slot = 1; slot <= pointCount_; ++slot)
        if (point(slot).signal == signal)
            return slot;
    return 0;
}

int CurveTable::countUsed(float CurvePoint::*field, float value) const {
    int count = 0;
    for (int slot = 1; slot <= pointCount_; ++slot) {
        const CurvePoint& candidate = point(slot);
        if (candidate.state == SlotState::Used && candidate.*field == value)
            ++count;
    }
    return count;
}

std::optional<CurveDuplicate> CurveTable::FindCurveDuplicate() const {
    for (int slot = 1; slot <= pointCount_; ++slot)
        if (const auto duplicate = duplicateOf(slot))
            return duplicate;
    return std::nullopt;
}

std::optional<CurveDuplicate> CurveTable::duplicateOf(int slot) const {
    const CurvePoint& candidate = point(slot);
    if (slot > pointCount_ || candidate.state != SlotState::Used)
        return std::nullopt;
    if (countUsed(&CurvePoint::etalon, candidate.etalon) > 1)
        return CurveDuplicate{DuplicateKind::Etalon, candidate.etalon};
    if (countUsed(&CurvePoint::signal, candidate.signal) > 1)
        return CurveDuplicate{DuplicateKind::Signal, candidate.signal};
    return std::nullopt;
}

QString CurveTable::CurveRowText(int slot, QStringView unitFormat) const {
    const CurvePoint& row = point(slot);
    return device::FormatFixed(row.signal, u"###0.000") + QStringLiteral("  ") +
           device::FormatFixed(row.etalon, unitFormat);
}

QStringList CurveTable::CurveListRows(QStringView unitFormat) const {
    QStringList rows;
    rows.reserve(pointCount_);
    for (int slot = 1; slot <= pointCount_; ++slot)
        rows.append(CurveRowText(slot, unitFormat));
    return rows;
}

QString DuplicateMessage(const CurveDuplicate& duplicate, const text::LanguageTable& texts) {
    const int opening = duplicate.kind == DuplicateKind::Etalon ? 42 : 44;
    return texts.text(opening) + u' ' + device::GeneralNumber(duplicate.value, 7) + u' ' +
           texts.text(43);
}

} // namespace calibration

#pragma once

#include "core/records/Records.h"
#include "core/text/LanguageTable.h"

#include <vector>

namespace records {

// What a laboratory can require of every calibration it records (StoreSettings).
enum class RequiredEntry { Operator, Standard, Conditions };

// The entries that the store's settings require and the calibration leaves empty, in that order.
[[nodiscard]] std::vector<RequiredEntry> missingEntries(const StoreSettings& rules,
                                                        const QString& operatorName,
                                                        const QString& standardUuid,
                                                        bool conditionsStated);
// The entries named for the operator (texts 407 and 408), joined by commas.
[[nodiscard]] QString entryNames(const text::LanguageTable& texts,
                                 const std::vector<RequiredEntry>& entries);
// Text 406, the refusal that names the missing entries.
[[nodiscard]] QString refusalOf(const text::LanguageTable& texts,
                                const std::vector<RequiredEntry>& missing);

} // namespace records

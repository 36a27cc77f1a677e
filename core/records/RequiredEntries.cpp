#include "core/records/RequiredEntries.h"

#include <QStringList>

namespace records {

namespace {

constexpr int RequiredText = 406;
constexpr int OperatorText = 407;
constexpr int StandardText = 408;
constexpr int ConditionsText = 409;

} // namespace

std::vector<RequiredEntry> missingEntries(const StoreSettings& rules, const QString& operatorName,
                                          const QString& standardUuid, bool conditionsStated) {
    std::vector<RequiredEntry> missing;
    if (rules.requireOperator && operatorName.trimmed().isEmpty())
        missing.push_back(RequiredEntry::Operator);
    if (rules.requireStandard && standardUuid.isEmpty())
        missing.push_back(RequiredEntry::Standard);
    if (rules.requireConditions && !conditionsStated)
        missing.push_back(RequiredEntry::Conditions);
    return missing;
}

QString entryNames(const text::LanguageTable& texts, const std::vector<RequiredEntry>& entries) {
    QStringList names;
    for (const RequiredEntry entry : entries)
        names << texts.text(entry == RequiredEntry::Operator   ? OperatorText
                            : entry == RequiredEntry::Standard ? StandardText
                                                               : ConditionsText);
    return names.join(QStringLiteral(", "));
}

QString refusalOf(const text::LanguageTable& texts, const std::vector<RequiredEntry>& missing) {
    return texts.text(RequiredText).arg(entryNames(texts, missing));
}

} // namespace records

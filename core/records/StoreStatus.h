#pragma once

#include <QString>

namespace records {

// Whether the store's database can be used, and if not, why.
enum class StoreState {
    Ready,
    Locked,      // another program holds it
    ReadOnly,    // it cannot be written
    Damaged,     // not a database, or its integrity check fails
    NewerSchema, // written by a newer program
    CannotOpen,  // no driver, no directory, ...
    Unreachable, // the database server does not answer, or the connection to it was lost
};

struct StoreStatus {
    StoreState state = StoreState::CannotOpen;
    QString message;  // for the operator; empty when Ready
    QString detail{}; // what the database system said, untranslated
    [[nodiscard]] bool usable() const { return state == StoreState::Ready; }
};

} // namespace records

// The unit-expression ownership check for tests: every expression record of
// the main database must be reachable from exactly one owner (a unit's
// definition, a real stack entry 0..top, a real saved argument, a real
// memory register, the entry-line unit, a user-button slot, or a registered
// process-wide unit), every owner must name an existing expression record,
// every component must name an existing unit record, and no record may be
// left marked for deletion.
#pragma once

#include <string>

namespace kiv {

// One line per fault, empty when sound.
std::string OwnershipReport();
// A gtest failure (non-fatal) carrying the report when it is not empty.
void ExpectOwnershipSound();

}  // namespace kiv

#include "units/holders.h"

#include <vector>

#include "storage/maindb.h"

namespace kiv {
namespace {

std::vector<detail::ProcessUnit>& Registry() {
    static std::vector<detail::ProcessUnit> r;
    return r;
}

}  // namespace

void RegisterProcessUnit(Uid* slot, const char* name) {
    for (const auto& p : Registry())
        if (p.slot == slot) return;
    Registry().push_back({slot, name});
}

void DeleteProcessWideUnits() {
    for (auto& p : Registry()) {
        if (*p.slot != NULL_UID && MainDb()) DeleteByUid(*p.slot);
        *p.slot = NULL_UID;
    }
}

namespace detail {
int ProcessUnitCount() { return int(Registry().size()); }
const ProcessUnit& ProcessUnitAt(int i) { return Registry()[size_t(i)]; }
}  // namespace detail

}  // namespace kiv

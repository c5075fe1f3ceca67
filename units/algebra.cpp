#include "units/algebra.h"

#include <cmath>
#include <cstdlib>

#include "app/core/messages.h"
#include "storage/maindb.h"

namespace kiv {
namespace {

// While above 0, the exponent messages (1314, 1330) are not shown: the
// internal steps of convert and simplify report failure to their caller,
// which has its own message (a mismatch, or no simplification at all).
int g_quiet = 0;

struct Quiet {
    Quiet() { ++g_quiet; }
    ~Quiet() { --g_quiet; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

void ExponentMessage(int id) {
    if (g_quiet == 0) ShowCodedMessage(id);
}

// Steps of definitions followed before reduction gives up: more than any
// real chain of units, few enough to stop a cycle in a damaged database.
constexpr int kMaxReductionSteps = 1100;

Database& Db() {
    static Database empty;
    Database* db = MainDb();
    return db ? *db : empty;
}

// The index of expression e (PtrFromUID reports a missing record), or -1.
int Resolve(Uid e) {
    const int index = PtrFromUID(e);
    if (index < 0 || !IsExpressionRecord(index)) return -1;
    return index;
}

void WriteComponent(int index, size_t i, const Component& c) {
    uint8_t b[8] = {};
    PutU32(b, c.unit);
    b[4] = uint8_t(c.prefix);
    b[5] = uint8_t(c.exponent);
    Db().writeAt(index, eo::kComponents + eo::kComponentSize * i, b, 8);
}

bool InExponentRange(int v) {
    return v >= -128 && v <= 127;
}

double Pow10(int t) {
    return std::pow(10.0, double(t));
}

// Component i of the expression record at `index`, read in place (i below
// ComponentCountAt).
Component ComponentAt(int index, size_t i) {
    const auto& b = Db().bytes(index);
    const size_t off = eo::kComponents + eo::kComponentSize * i;
    return {GetU32(b, off), int8_t(GetU8(b, off + 4)), int8_t(GetU8(b, off + 5))};
}

bool MultiplyInEx(Uid e, Uid unit, int prefix, int exponent, double* factor) {
    const int index = Resolve(e);
    if (index < 0) return false;
    if (exponent == 0) return true;  // a component never has exponent 0
    // Read in place: this runs for every factor of every unit operation.
    const size_t count = size_t(ComponentCountAt(index));
    for (size_t i = 0; i < count; ++i) {
        const Component c = ComponentAt(index, i);
        if (c.unit != unit || (!factor && c.prefix != prefix)) continue;
        const int s = c.exponent + exponent;
        if (!InExponentRange(s)) {
            ExponentMessage(MSG_EXPONENT_RANGE);
            return false;
        }
        // Kept as a full integer: folding it to 8 bits would change the scale.
        const int t = exponent * (prefix - c.prefix);
        if (t != 0 && factor) *factor *= Pow10(t);
        if (s != 0) {
            Component merged = c;
            merged.exponent = int8_t(s);
            WriteComponent(index, i, merged);
        } else {
            // Each component moves down before its own slot is written.
            for (size_t j = i + 1; j < count; ++j)
                WriteComponent(index, j - 1, ComponentAt(index, j));
            Db().setBytes(index, eo::kComponents + eo::kComponentSize * (count - 1), 8, 0);
            Db().writeU8(index, eo::kCount, uint8_t(count - 1));
        }
        return true;
    }
    const size_t n = count;
    const size_t need = eo::kComponents + eo::kComponentSize * (n + 1);
    if (n >= 255 || (Db().size(index) < need && !Db().resizeRecord(index, need))) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return false;
    }
    WriteComponent(index, n, {unit, int8_t(prefix), int8_t(exponent)});
    Db().writeU8(index, eo::kCount, uint8_t(n + 1));
    return true;
}

// Product with a failure flag: *ok is false when the result is not the
// true product (no record, 1314, 1330, an operand that does not resolve).
Uid ProductEx(Uid a, Uid b, int c, int d, int k, double* factor, bool* ok) {
    *ok = true;
    if (a == NULL_UID && b == NULL_UID) return NULL_UID;
    const Uid r = CopyExpression(a);
    if (r == NULL_UID) {
        *ok = false;
        return NULL_UID;
    }
    if (b == NULL_UID) return r;
    const int bi = Resolve(b);
    if (bi < 0) {
        DeleteExpression(r);
        *ok = false;
        return NULL_UID;
    }
    if (k < 0) {
        k = -k;
        d = -d;
    }
    const std::vector<Component> comps = ComponentsAt(bi);
    for (size_t i = 0; i < comps.size(); ++i) {
        const int f = comps[i].exponent * d;
        if (k == 0 || f % k != 0) {
            ExponentMessage(MSG_FRACTIONAL);
            DeleteExpression(r);
            *ok = false;
            return NULL_UID;
        }
        const int h = f / k;
        if (!InExponentRange(h)) {
            ExponentMessage(MSG_EXPONENT_RANGE);
            DeleteExpression(r);
            *ok = false;
            return NULL_UID;
        }
        const int p = (i == 0 && c != 0) ? c : comps[i].prefix;
        if (!MultiplyInEx(r, comps[i].unit, p, h, factor)) *ok = false;
    }
    return Normalise(r);
}

// One expansion step: a new expression with every prefix folded into the
// factor and every defined unit replaced by its definition. `in` is left.
Uid ExpandStep(Uid in, double* factor, bool* changed, bool* ok) {
    *ok = true;
    const int index = Resolve(in);
    if (index < 0) {
        *ok = false;
        return NULL_UID;
    }
    const std::vector<Component> comps = ComponentsAt(index);
    Uid r = NewExpression();
    if (r == NULL_UID) {
        *ok = false;
        return NULL_UID;
    }
    for (const Component& c : comps) {
        if (c.prefix != 0) {
            *factor *= Pow10(c.prefix * c.exponent);
            *changed = true;
        }
        const int ui = PtrFromUID(c.unit);
        if (ui < 0 || !IsUnitRecord(ui)) {
            *ok = false;
            break;
        }
        const Uid def = UnitDefinition(ui);
        const double magnitude = UnitMagnitude(ui);
        if (def == NULL_UID) {
            if (!MultiplyInEx(r, c.unit, 0, c.exponent, factor)) {
                *ok = false;
                break;
            }
            continue;
        }
        bool pok = true;
        Uid next = ProductEx(r, def, 0, c.exponent, 1, factor, &pok);
        if (!pok) {
            DeleteExpression(next);
            *ok = false;
            break;
        }
        if (next == NULL_UID) next = NewExpression();
        if (next == NULL_UID) {
            *ok = false;
            break;
        }
        *factor *= std::pow(magnitude, double(c.exponent));
        DeleteExpression(r);
        r = next;
        *changed = true;
    }
    if (!*ok) {
        DeleteExpression(r);
        return NULL_UID;
    }
    return Normalise(r);
}

// Reduction that leaves `a`: a new expression of base units (NULL_UID when
// dimensionless). On failure *ok is false, the factor is as it was and
// nothing is left behind.
Uid ReduceKeep(Uid a, double* factor, bool* ok) {
    *ok = true;
    if (a == NULL_UID) return NULL_UID;
    const double start = *factor;
    Uid cur = a;
    for (int step = 0;; ++step) {
        bool changed = false;
        const Uid next = ExpandStep(cur, factor, &changed, ok);
        if (cur != a) DeleteExpression(cur);
        cur = next;
        if (*ok && step >= kMaxReductionSteps) {
            DeleteExpression(cur);
            *ok = false;
        }
        if (!*ok) {
            *factor = start;
            return NULL_UID;
        }
        if (!changed || cur == NULL_UID) return cur;
    }
}

}  // namespace

Uid NewExpression() {
    const int index = NewAppRecord(eo::kComponents, 1);
    if (index < 0) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return NULL_UID;
    }
    Db().writeU8(index, 0, KIND_EXPR);
    Db().writeU8(index, eo::kCount, 0);
    return Db().uid(index);
}

Uid CopyExpression(Uid e) {
    if (e == NULL_UID) return NewExpression();
    const int src = Resolve(e);
    if (src < 0) return NULL_UID;
    // A copy of the bytes: appending a record may move the table entries.
    const std::vector<uint8_t> bytes = Db().bytes(src);
    const int index = NewAppRecord(bytes.size(), 1);
    if (index < 0) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return NULL_UID;
    }
    const Uid uid = Db().uid(index);
    Db().writeAt(index, 0, bytes.data(), bytes.size());
    Db().writeU32(index, 4, uid);
    return uid;
}

Uid DuplicateExpression(Uid e) {
    return e == NULL_UID ? NULL_UID : CopyExpression(e);
}

void DeleteExpression(Uid e) {
    if (e != NULL_UID) DeleteByUid(e);
}

int ComponentCount(Uid e) {
    if (e == NULL_UID) return 0;  // no unit: no components
    const int index = Resolve(e);
    return index < 0 ? 0 : ComponentCountAt(index);
}

int LargestExponent(Uid e) {
    int largest = 0;
    for (const Component& c : Components(e)) largest = std::max(largest, std::abs(int(c.exponent)));
    return std::min(largest, 127);
}

bool ExpressionsEqual(Uid a, Uid b) {
    if (a == NULL_UID || b == NULL_UID) return a == b;
    const int ai = Resolve(a), bi = Resolve(b);
    if (ai < 0 || bi < 0) return false;
    const std::vector<Component> ca = ComponentsAt(ai), cb = ComponentsAt(bi);
    if (ca.size() != cb.size()) return false;
    for (const Component& c : ca) {
        bool found = false;
        for (const Component& d : cb) found = found || c == d;
        if (!found) return false;
    }
    return true;
}

std::vector<Component> Components(Uid e) {
    if (e == NULL_UID) return {};
    const int index = Resolve(e);
    return index < 0 ? std::vector<Component>{} : ComponentsAt(index);
}

void MultiplyIn(Uid e, Uid unit, int prefix, int exponent, double* factor) {
    MultiplyInEx(e, unit, prefix, exponent, factor);
}

Uid Product(Uid a, Uid b, int prefixOverride, int numerator, int denominator, double* factor) {
    bool ok = true;
    return ProductEx(a, b, prefixOverride, numerator, denominator, factor, &ok);
}

Uid Normalise(Uid e) {
    if (e == NULL_UID) return NULL_UID;
    const int index = IndexOfUid(e);
    if (index >= 0 && ComponentCountAt(index) > 0) return e;
    DeleteExpression(e);
    return NULL_UID;
}

Uid MergeLikeUnits(Uid a, double* factor) {
    if (a == NULL_UID) return NULL_UID;
    const int index = Resolve(a);
    if (index < 0) return NULL_UID;
    const std::vector<Component> comps = ComponentsAt(index);
    const Uid r = NewExpression();
    if (r == NULL_UID) return NULL_UID;
    for (const Component& c : comps) MultiplyInEx(r, c.unit, c.prefix, c.exponent, factor);
    return Normalise(r);
}

Uid ReduceToBaseUnits(Uid a, double* factor) {
    double local = 1.0;
    if (!factor) factor = &local;
    bool ok = true;
    const Uid r = ReduceKeep(a, factor, &ok);
    if (!ok) return a;  // a unit that cannot be reduced stays as it was
    DeleteExpression(a);
    return r;
}

Uid Convert(Uid a, Uid b, double* factor) {
    if (a == NULL_UID || b == NULL_UID) return a;
    double local = 1.0;
    if (!factor) factor = &local;
    const double start = *factor;
    Quiet quiet;
    bool ok = true;
    const Uid c = ProductEx(a, b, 0, -1, 1, factor, &ok);
    DeleteExpression(a);
    Uid base = NULL_UID;
    if (ok) {
        base = ReduceKeep(c, factor, &ok);
    }
    DeleteExpression(c);
    Uid r = NULL_UID;
    if (ok) r = ProductEx(b, base, 0, 1, 1, factor, &ok);
    DeleteExpression(base);
    if (!ok) {
        // Never report a conversion that did not happen as a match: the
        // result differs from b, so the caller sees a mismatch.
        DeleteExpression(r);
        *factor = start;
        return NULL_UID;
    }
    return Normalise(r);
}

Uid Simplify(Uid a, double* factor) {
    if (a == NULL_UID) return NULL_UID;
    double local = 1.0;
    if (!factor) factor = &local;
    Quiet quiet;
    double F = 1.0;
    bool ok = true;
    Uid best = ReduceKeep(a, &F, &ok);
    if (!ok) return a;  // nothing to gain: the unit stays as it was
    if (best == NULL_UID) {
        *factor *= F;
        DeleteExpression(a);
        return NULL_UID;
    }
    int bestCount = ComponentCount(best);
    const int limit = LargestExponent(best);
    const std::vector<Component> comps = Components(a);
    for (const Component& c : comps) {
        const Uid w = NewExpression();
        if (w == NULL_UID) {
            DeleteExpression(best);
            return a;
        }
        MultiplyInEx(w, c.unit, c.prefix, c.exponent, nullptr);
        double G = 1.0;
        const Uid wb = ReduceKeep(w, &G, &ok);
        DeleteExpression(w);
        if (!ok) continue;
        Uid cur = CopyExpression(best);
        if (cur == NULL_UID) {
            DeleteExpression(wb);
            DeleteExpression(best);
            return a;
        }
        double curFactor = 1.0, bestFactor = 1.0;
        int s = 0;
        Uid n = NULL_UID;
        for (;;) {
            curFactor /= G;
            bool pok = true;
            n = ProductEx(cur, wb, 0, -1, 1, &curFactor, &pok);
            if (pok && n == NULL_UID) n = NewExpression();
            if (!pok || n == NULL_UID ||
                !MultiplyInEx(n, c.unit, c.prefix, c.exponent, &curFactor)) {
                // This candidate cannot be formed: the rounds of this
                // component end with what was best so far.
                DeleteExpression(n);
                n = NULL_UID;
                DeleteExpression(cur);
                break;
            }
            DeleteExpression(cur);
            cur = NULL_UID;
            // A candidate whose scale left the double range is no
            // simplification: taking it would lose the number.
            if (!std::isfinite(curFactor) || curFactor == 0) break;
            const int count = ComponentCount(n);
            if (count <= bestCount) {
                const Uid copy = CopyExpression(n);
                if (copy != NULL_UID) {
                    DeleteExpression(best);
                    best = copy;
                    bestFactor = curFactor;
                    bestCount = count;
                }
            }
            s += c.exponent;
            if (std::abs(s) >= limit) break;
            cur = n;
        }
        F *= bestFactor;
        DeleteExpression(n);
        DeleteExpression(wb);
    }
    *factor *= F;
    DeleteExpression(a);
    return Normalise(best);
}

Uid ExpressionOf(Uid unit, int prefix, int exponent) {
    const Uid e = NewExpression();
    if (e == NULL_UID) return NULL_UID;
    MultiplyInEx(e, unit, prefix, exponent, nullptr);
    return Normalise(e);
}

Uid LookUpUnitExpression(const std::string& name) {
    Uid uid = NULL_UID;
    if (FindUnitByName(name, &uid) == 0) return NULL_UID;
    return ExpressionOf(uid);
}

}  // namespace kiv

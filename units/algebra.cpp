// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/algebra.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "storage/maindb.h"
#include "window/messages.h"

namespace kiv {
namespace {

// While above 0, the exponent messages (1314, 1330) are held back: the
// steps of convert and simplify may meet the same exponent out of range
// many times. The first one held is shown once, when the outermost
// operation ends, so that the user sees the cause before the caller's own
// message (a mismatch, say).
int g_quiet = 0;
int g_heldMessage = 0;

struct Quiet {
    Quiet() {
        if (g_quiet++ == 0) g_heldMessage = 0;
    }
    ~Quiet() {
        if (--g_quiet > 0 || g_heldMessage == 0) return;
        const int id = g_heldMessage;
        g_heldMessage = 0;
        ShowCodedMessage(id);
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

void ExponentMessage(int id) {
    if (g_quiet == 0)
        ShowCodedMessage(id);
    else if (g_heldMessage == 0)
        g_heldMessage = id;
}

// Steps of definitions followed before reduction gives up: more than any
// real chain of units, few enough to stop a cycle in a damaged database.
constexpr int kMaxReductionSteps = 1100;

// Without a main database every read is empty and every write dropped.
Database& NoDatabase() {
    static Database empty;
    return empty;
}

inline Database& Db() {
    Database* db = MainDb();
    return db ? *db : NoDatabase();
}

// The index of expression e (PtrFromUID reports a missing record), or -1.
int Resolve(Uid e) {
    const int index = PtrFromUID(e);
    if (!IsExpressionRecord(index)) return -1;
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

// What a full reduction did, recorded while it runs (see ReduceKeep).
struct Trace {
    double* factor = nullptr;
    std::vector<double> scales;  // every multiplier of the factor, in order
    int count0 = 0;              // records before the reduction
    int peak = 0;                // most records it had alive at once
    bool sound = true;           // false: not replayable
};

Trace* g_trace = nullptr;
FactorTrace* g_factorTraces = nullptr;  // the innermost; each links to the one outside it

// Every factor trace alive hears of a multiplier of its factor.
void NoteScale(double* factor, double m) {
    for (FactorTrace* t = g_factorTraces; t; t = t->outer()) t->note(factor, m);
}

// Multiplies the factor; a traced reduction also records the multiplier.
void Scale(double* factor, double m) {
    *factor *= m;
    if (g_trace) {
        if (factor == g_trace->factor)
            g_trace->scales.push_back(m);
        else
            g_trace->sound = false;
    }
    if (g_factorTraces) NoteScale(factor, m);
}

// Puts a factor back as it was before a step that failed: no multiplier
// can replay that.
void RestoreFactor(double* factor, double start) {
    *factor = start;
    for (FactorTrace* t = g_factorTraces; t; t = t->outer()) t->spoil(factor);
}

void NoteCreated() {
    if (g_trace) g_trace->peak = std::max(g_trace->peak, Db().count() - g_trace->count0);
}

// A record a traced reduction read: a change to it must forget the memo.
void NoteRead(int index) {
    if (g_trace) Db().watch(index);
}

// Component i of the expression record at `index`, read in place (i below
// ComponentCountAt).
Component ComponentAt(int index, size_t i) {
    const auto& b = Db().bytes(index);
    const size_t off = eo::kComponents + eo::kComponentSize * i;
    return {GetU32(b, off), int8_t(GetU8(b, off + 4)), int8_t(GetU8(b, off + 5))};
}

// The components of an expression record, copied out so that a loop over
// them may create, resize and remove records; on the stack, since this
// runs for every unit operation.
class ComponentsCopy {
  public:
    explicit ComponentsCopy(int index) : n_(size_t(ComponentCountAt(index))) {
        if (n_ > 0)
            std::memcpy(bytes_, MainRecordBytes(index).data() + eo::kComponents,
                        n_ * eo::kComponentSize);
    }
    size_t size() const { return n_; }
    Component operator[](size_t i) const {
        const uint8_t* p = bytes_ + eo::kComponentSize * i;
        return {ReadU32(p), int8_t(p[4]), int8_t(p[5])};
    }

  private:
    size_t n_;  // at most 255: the count is one byte
    uint8_t bytes_[255 * eo::kComponentSize];
};

// MultiplyIn on the expression record at `index` (already resolved).
bool MultiplyInAt(int index, Uid unit, int prefix, int exponent, double* factor) {
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
        if (t != 0 && factor) Scale(factor, Pow10(t));
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

bool MultiplyInEx(Uid e, Uid unit, int prefix, int exponent, double* factor) {
    const int index = Resolve(e);
    return index >= 0 && MultiplyInAt(index, unit, prefix, exponent, factor);
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
    // Resolved once: multiplying in only writes and grows r.
    const int ri = IndexOfUid(r);
    if (k < 0) {
        k = -k;
        d = -d;
    }
    const ComponentsCopy comps(bi);
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
        if (!MultiplyInAt(ri, comps[i].unit, p, h, factor)) *ok = false;
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
    const ComponentsCopy comps(index);
    Uid r = NewExpression();
    if (r == NULL_UID) {
        *ok = false;
        return NULL_UID;
    }
    for (size_t i = 0; i < comps.size(); ++i) {
        const Component c = comps[i];
        if (c.prefix != 0) {
            Scale(factor, Pow10(c.prefix * c.exponent));
            *changed = true;
        }
        const int ui = PtrFromUID(c.unit);
        if (!IsUnitRecord(ui)) {
            *ok = false;
            break;
        }
        NoteRead(ui);
        const Uid def = UnitDefinition(ui);
        if (def != NULL_UID && g_trace) NoteRead(IndexOfUid(def));
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
        Scale(factor, std::pow(magnitude, double(c.exponent)));
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

// Reduction that leaves `a`, the full way: expansion steps until nothing
// changes.
Uid ReduceSteps(Uid a, double* factor, bool* ok) {
    *ok = true;
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
            RestoreFactor(factor, start);
            return NULL_UID;
        }
        if (!changed || cur == NULL_UID) return cur;
    }
}

// Reductions remembered by the components reduced. A repeat replays what
// the full reduction did: the same multipliers of the factor in the same
// order, the same number of UIDs taken from the counter, and the same
// result record with the UID it had, so that the database ends byte for
// byte as the full reduction leaves it. The units and definitions read are
// watched: a change to any of them, or a sort, forgets everything.
struct Reduction {
    std::vector<double> scales;
    uint32_t uidsTaken = 0;       // records the full reduction created
    int peak = 0;                 // most of them alive at once
    int64_t resultAt = -1;        // the result's place among them; -1: none
    std::vector<uint8_t> result;  // its bytes
};

struct ViewHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct Memo {
    const Database* db = nullptr;
    uint64_t version = 0;
    std::unordered_map<std::string, Reduction, ViewHash, std::equal_to<>> entries;
};

constexpr size_t kMemoEntries = 4096;

Memo g_memo;
MemoMode g_memoMode = MemoMode::On;

// The memo for the current database, emptied when it no longer holds.
Memo& CurrentMemo(Database& db) {
    if (g_memo.db != &db || g_memo.version != db.watchVersion() ||
        g_memo.entries.size() >= kMemoEntries) {
        g_memo.entries.clear();
        g_memo.db = &db;
        g_memo.version = db.watchVersion();
    }
    return g_memo;
}

// Whether the full reduction would go the same way now: room for every
// record it creates and a UID counter that neither skips nor wraps.
bool Replayable(const Database& db, const Reduction& r) {
    return db.count() + r.peak <= int(db.capacity) && db.nextUid != 0 &&
           uint64_t(db.nextUid) + r.uidsTaken < NULL_UID;
}

Uid Replay(const Reduction& r, double* factor) {
    Database& db = Db();
    for (const double m : r.scales) *factor *= m;
    if (g_factorTraces)
        for (const double m : r.scales) NoteScale(factor, m);
    const Uid first = db.nextUid;
    if (r.resultAt < 0) {
        db.nextUid = first + r.uidsTaken;
        return NULL_UID;
    }
    db.nextUid = first + Uid(r.resultAt);
    const int index = NewAppRecord(r.result.size(), 1);  // Replayable leaves room
    const Uid uid = db.uid(index);
    db.writeAt(index, 0, r.result.data(), r.result.size());
    db.writeU32(index, 4, uid);
    db.nextUid = first + r.uidsTaken;
    return uid;
}

// The full reduction, traced; what it did when it can be replayed.
Uid ReduceTraced(Uid a, double* factor, bool* ok, Reduction* out, bool* recorded) {
    Database& db = Db();
    Trace t;
    t.factor = factor;
    t.count0 = db.count();
    const Uid uid0 = db.nextUid;
    const uint64_t version = db.watchVersion();
    g_trace = &t;
    const Uid r = ReduceSteps(a, factor, ok);
    g_trace = nullptr;
    const int ri = r == NULL_UID ? -1 : IndexOfUid(r);
    // Replayable when it succeeded, read nothing that changed meanwhile,
    // took consecutive UIDs and left nothing behind but the result, last.
    *recorded = *ok && t.sound && db.watchVersion() == version && db.nextUid >= uid0 &&
                uint64_t(db.nextUid) < NULL_UID && uid0 != 0 &&
                db.count() == t.count0 + (r == NULL_UID ? 0 : 1) &&
                (r == NULL_UID || (ri == db.count() - 1 && r >= uid0 && r < db.nextUid));
    if (*recorded) {
        out->scales = std::move(t.scales);
        out->uidsTaken = db.nextUid - uid0;
        out->peak = t.peak;
        out->resultAt = r == NULL_UID ? -1 : int64_t(r - uid0);
        if (r != NULL_UID) out->result = db.bytes(ri);
    }
    return r;
}

bool SameReduction(const Reduction& x, const Reduction& y) {
    // Multipliers compared bit for bit: -0 and +0 scale differently.
    auto bits = [](const std::vector<double>& v) {
        std::vector<uint64_t> out;
        for (const double d : v) out.push_back(std::bit_cast<uint64_t>(d));
        return out;
    };
    // The result's UID field (bytes 4-7) differs between runs by design.
    auto withoutUid = [](std::vector<uint8_t> b) {
        for (size_t i = 4; i < 8 && i < b.size(); ++i) b[i] = 0;
        return b;
    };
    return bits(x.scales) == bits(y.scales) && x.uidsTaken == y.uidsTaken && x.peak == y.peak &&
           x.resultAt == y.resultAt && withoutUid(x.result) == withoutUid(y.result);
}

// Reduction that leaves `a`: a new expression of base units (NULL_UID when
// dimensionless). On failure *ok is false, the factor is as it was and
// nothing is left behind.
Uid ReduceKeep(Uid a, double* factor, bool* ok) {
    *ok = true;
    if (a == NULL_UID) return NULL_UID;
    const int ai = g_memoMode == MemoMode::Off ? -1 : IndexOfUid(a);
    // Anything unusual (no record, no memo) takes the full way, with its
    // messages.
    if (!IsExpressionRecord(ai)) return ReduceSteps(a, factor, ok);
    Database& db = Db();
    Memo& memo = CurrentMemo(db);
    const size_t n = size_t(ComponentCountAt(ai));
    const std::vector<uint8_t>& bytes = db.bytes(ai);
    const std::string_view key(reinterpret_cast<const char*>(bytes.data()) + eo::kComponents,
                               n * eo::kComponentSize);
    const auto it = memo.entries.find(key);
    if (it != memo.entries.end()) {
        if (!Replayable(db, it->second)) return ReduceSteps(a, factor, ok);
        if (g_memoMode == MemoMode::On) return Replay(it->second, factor);
        // Checked: the full way decides, and must agree with the memo.
        const Reduction expected = it->second;
        Reduction actual;
        bool recorded = false;
        const Uid r = ReduceTraced(a, factor, ok, &actual, &recorded);
        if (!recorded || !SameReduction(expected, actual)) {
            std::fprintf(stderr, "kiv: a remembered reduction differs from the full one\n");
            std::abort();
        }
        return r;
    }
    std::string stored(key);  // the record may move while the reduction runs
    Reduction entry;
    bool recorded = false;
    const Uid r = ReduceTraced(a, factor, ok, &entry, &recorded);
    if (recorded) CurrentMemo(db).entries.emplace(std::move(stored), std::move(entry));
    return r;
}

}  // namespace

FactorTrace::FactorTrace(double* factor) : factor_(factor), outer_(g_factorTraces) {
    g_factorTraces = this;
}

FactorTrace::~FactorTrace() {
    g_factorTraces = outer_;
}

void FactorTrace::note(double* factor, double m) {
    if (factor == factor_) scales_.push_back(m);
}

void FactorTrace::spoil(double* factor) {
    if (factor == factor_) sound_ = false;
}

Uid NewExpression() {
    const int index = NewAppRecord(eo::kComponents, 1);
    if (index < 0) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return NULL_UID;
    }
    Db().writeU8(index, 0, KIND_EXPR);
    Db().writeU8(index, eo::kCount, 0);
    NoteCreated();
    return Db().uid(index);
}

Uid CopyExpression(Uid e) {
    if (e == NULL_UID) return NewExpression();
    const int src = Resolve(e);
    if (src < 0) return NULL_UID;
    // A copy of the bytes: appending a record may move the table entries.
    // Every sound expression fits the buffer on the stack.
    const std::vector<uint8_t>& from = Db().bytes(src);
    const size_t size = from.size();
    uint8_t local[eo::kComponents + 255 * eo::kComponentSize];
    std::vector<uint8_t> large;
    const uint8_t* bytes = local;
    if (size <= sizeof local) {
        std::memcpy(local, from.data(), size);
    } else {
        large = from;
        bytes = large.data();
    }
    const int index = NewAppRecord(size, 1);
    if (index < 0) {
        ShowCodedMessage(MSG_NO_MEMORY);
        return NULL_UID;
    }
    const Uid uid = Db().uid(index);
    NoteCreated();
    Db().writeAt(index, 0, bytes, size);
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
    const ComponentsCopy ca(ai), cb(bi);
    if (ca.size() != cb.size()) return false;
    for (size_t i = 0; i < ca.size(); ++i) {
        bool found = false;
        for (size_t j = 0; j < cb.size() && !found; ++j) found = ca[i] == cb[j];
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
    const ComponentsCopy comps(index);
    const Uid r = NewExpression();
    if (r == NULL_UID) return NULL_UID;
    for (size_t i = 0; i < comps.size(); ++i)
        MultiplyInEx(r, comps[i].unit, comps[i].prefix, comps[i].exponent, factor);
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

Uid Convert(Uid a, Uid b, double* factor, bool* formed) {
    if (formed) *formed = true;
    if (a == NULL_UID || b == NULL_UID) return a;
    double local = 1.0;
    if (!factor) factor = &local;
    const double start = *factor;
    Quiet quiet;
    bool ok = true;
    const Uid c = ProductEx(a, b, 0, -1, 1, factor, &ok);
    Uid base = NULL_UID;
    if (ok) {
        base = ReduceKeep(c, factor, &ok);
    }
    DeleteExpression(c);
    Uid r = NULL_UID;
    if (ok) r = ProductEx(b, base, 0, 1, 1, factor, &ok);
    DeleteExpression(base);
    if (!ok) {
        // A conversion that did not happen gives a back as it was, which
        // differs from b (equal units convert without exponents), so the
        // caller sees a mismatch and no unit is lost.
        DeleteExpression(r);
        RestoreFactor(factor, start);
        if (formed) *formed = false;
        return a;
    }
    DeleteExpression(a);
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

void SetReductionMemo(MemoMode mode) {
    g_memoMode = mode;
    g_memo.entries.clear();
}

Uid LookUpUnitExpression(const std::string& name) {
    Uid uid = NULL_UID;
    if (FindUnitByName(name, &uid) == 0) return NULL_UID;
    return ExpressionOf(uid);
}

}  // namespace kiv

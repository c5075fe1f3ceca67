// Random products, quotients, powers and roots of random expressions over a
// small unit table, checked against an independent model of every unit's
// scale and base dimension (built here from the definitions, not by the
// algebra). Ownership must hold after every step.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "storage/maindb.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/holders.h"
#include "units/unittext.h"

namespace kiv {
namespace {

// Exponents are kept times kDen so that roots stay integral in the model.
constexpr int kDen = 6;
using Dim = std::map<Uid, int>;

struct Quantity {
    double scale = 1.0;
    Dim dim;
};

void Accumulate(Quantity* q, const Quantity& u, double power) {
    q->scale *= std::pow(u.scale, power);
    for (const auto& [base, e] : u.dim) {
        const double v = e * power;
        q->dim[base] += int(std::lround(v));
    }
    for (auto it = q->dim.begin(); it != q->dim.end();)
        it = it->second == 0 ? q->dim.erase(it) : std::next(it);
}

class Model {
  public:
    // `defs` lists each unit with its magnitude and definition components.
    void Base(Uid u) { units_[u] = {1.0, {{u, kDen}}}; }
    void Defined(Uid u, double magnitude, const std::vector<Component>& def) {
        Quantity q{magnitude, {}};
        for (const Component& c : def) Accumulate(&q, Of(c), 1.0);
        units_[u] = q;
    }
    Quantity Of(const Component& c) const {
        Quantity q = units_.at(c.unit);
        Quantity r;
        Accumulate(&r, q, c.exponent);
        r.scale *= std::pow(10.0, c.prefix * c.exponent);
        return r;
    }
    Quantity Of(Uid e) const {
        Quantity q;
        for (const Component& c : Components(e)) Accumulate(&q, Of(c), 1.0);
        return q;
    }

  private:
    std::map<Uid, Quantity> units_;
};

Dim BaseDim(Uid reduced) {
    Dim d;
    for (const Component& c : Components(reduced)) {
        EXPECT_EQ(c.prefix, 0);
        d[c.unit] += c.exponent * kDen;
    }
    return d;
}

void ExpectClose(double actual, double expected, const char* what) {
    EXPECT_LE(std::fabs(actual - expected), 1e-12 * std::fabs(expected))
        << what << ": " << actual << " vs " << expected;
}

// Held expressions are process-wide units, so the ownership check knows them.
Uid g_cur = NULL_UID, g_arg = NULL_UID, g_res = NULL_UID;

class Property : public ::testing::TestWithParam<unsigned> {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    Model model;
    std::vector<Uid> units;
    std::mt19937 rng{GetParam()};

    void SetUp() override {
        RegisterProcessUnit(&g_cur, "current");
        RegisterProcessUnit(&g_arg, "argument");
        RegisterProcessUnit(&g_res, "result");
        const Uid mi = DefineUnit("mi", 5280, {{u.ft, 0, 1}});
        const Uid kWh = DefineUnit("kWh", 1, {{u.W, 3, 1}, {u.h, 0, 1}});
        for (Uid b : {u.m, u.s, u.kg, u.A}) model.Base(b);
        model.Defined(u.km, 1000, {{u.m, 0, 1}});
        model.Defined(u.ft, 0.3048, {{u.m, 0, 1}});
        model.Defined(u.in, 0.0254, {{u.m, 0, 1}});
        model.Defined(u.min, 60, {{u.s, 0, 1}});
        model.Defined(u.h, 60, {{u.min, 0, 1}});
        model.Defined(u.J, 1, {{u.kg, 0, 1}, {u.m, 0, 2}, {u.s, 0, -2}});
        model.Defined(u.W, 1, {{u.J, 0, 1}, {u.s, 0, -1}});
        model.Defined(u.N, 1, {{u.kg, 0, 1}, {u.m, 0, 1}, {u.s, 0, -2}});
        model.Defined(u.ha, 0.01, {{u.km, 0, 2}});
        model.Defined(mi, 5280, {{u.ft, 0, 1}});
        model.Defined(kWh, 1, {{u.W, 3, 1}, {u.h, 0, 1}});
        units = {u.m, u.s, u.kg, u.A, u.km, u.ft, u.in, u.min, u.h, u.J, u.W, u.N, u.ha, mi, kWh};
    }
    void TearDown() override {
        for (Uid* e : {&g_cur, &g_arg, &g_res}) {
            DeleteExpression(*e);
            *e = NULL_UID;
        }
        ExpectOwnershipSound();
    }

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    Uid RandomExpression() {
        static const int prefixes[] = {0, 0, 0, 3, -3, 2, -6};
        const Uid e = NewExpression();
        const int n = Pick(1, 3);
        for (int i = 0; i < n; ++i) {
            int x = Pick(-3, 3);
            if (x == 0) x = 1;
            const Component c{units[size_t(Pick(0, int(units.size()) - 1))],
                              int8_t(prefixes[Pick(0, 6)]), int8_t(x)};
            MultiplyIn(e, c.unit, c.prefix, c.exponent, nullptr);
        }
        return Normalise(e);
    }

    // result x factor must be the quantity `expected`; its reduction must
    // give the same base dimension and scale.
    void CheckResult(Uid result, double factor, const Quantity& expected, const char* what) {
        SCOPED_TRACE(std::string(what) + " factor " + std::to_string(factor));
        const Quantity got = model.Of(result);
        EXPECT_EQ(got.dim, expected.dim) << ExpressionText(result);
        ExpectClose(got.scale * factor, expected.scale, "result");
        double f = factor;
        const Uid reduced = ReduceToBaseUnits(CopyExpression(result), &f);
        EXPECT_EQ(BaseDim(reduced), expected.dim) << ExpressionText(result);
        ExpectClose(f, expected.scale, "reduced");
        DeleteExpression(reduced);
    }
};

TEST_P(Property, RandomProductsQuotientsPowersRoots) {
    g_cur = RandomExpression();
    for (int step = 0; step < 150; ++step) {
        SCOPED_TRACE("step " + std::to_string(step) + ": " + ExpressionText(g_cur));
        db.win.clearMessages();
        g_arg = RandomExpression();
        int d = 1, k = 1;
        switch (Pick(0, 3)) {
            case 0:
                break;  // product
            case 1:
                d = -1;
                break;  // quotient
            case 2:
                d = Pick(2, 3);
                break;  // power
            case 3:
                k = Pick(2, 3);
                break;  // root
        }
        Quantity expected = model.Of(g_cur);
        Accumulate(&expected, model.Of(g_arg), double(d) / k);
        double factor = 1.0;
        const bool withFactor = Pick(0, 1);
        double* fp = withFactor ? &factor : nullptr;
        g_res = Product(g_cur, g_arg, 0, d, k, fp);
        ExpectOwnershipSound();
        if (!db.win.messages.empty()) {
            // Only a root of an expression with an indivisible exponent fails.
            EXPECT_GT(k, 1);
            EXPECT_EQ(g_res, NULL_UID);
            EXPECT_TRUE(db.win.shownText("fractional exponent"));
        } else {
            CheckResult(g_res, factor, expected, "product");

            double sf = factor;
            const Uid simple = Simplify(CopyExpression(g_res), &sf);
            CheckResult(simple, sf, expected, "simplify");
            EXPECT_LE(ComponentCount(simple), std::max(ComponentCount(g_res), 1) + 3);
            DeleteExpression(simple);

            // Converting into the argument's unit: compatible exactly when
            // the dimensions agree, and then the factor carries the ratio.
            double cf = factor;
            const Uid conv = Convert(CopyExpression(g_res), g_arg, &cf);
            const Quantity target = model.Of(g_arg);
            if (g_arg != NULL_UID && target.dim == expected.dim) {
                EXPECT_TRUE(ExpressionsEqual(conv, g_arg));
                ExpectClose(cf * target.scale, expected.scale, "converted");
            } else if (g_arg != NULL_UID) {
                EXPECT_FALSE(ExpressionsEqual(conv, g_arg));
                CheckResult(conv, cf, expected, "convert");
            }
            DeleteExpression(conv);
            ExpectOwnershipSound();
        }
        DeleteExpression(g_arg);
        g_arg = NULL_UID;
        if (g_res != NULL_UID && LargestExponent(g_res) <= 12 && ComponentCount(g_res) <= 6) {
            DeleteExpression(g_cur);
            g_cur = g_res;
        } else {
            DeleteExpression(g_res);
            if (g_cur == NULL_UID || LargestExponent(g_cur) > 12 || ComponentCount(g_cur) > 6) {
                DeleteExpression(g_cur);
                g_cur = RandomExpression();
            }
        }
        g_res = NULL_UID;
        if (g_cur == NULL_UID) g_cur = RandomExpression();
        ExpectOwnershipSound();
        if (HasFailure()) break;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Property, ::testing::Values(1u, 2u, 3u, 42u, 1234u, 99991u));

}  // namespace
}  // namespace kiv

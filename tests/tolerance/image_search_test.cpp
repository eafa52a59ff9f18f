// The smallest-image search behind the compensators: its minimax step
// against answers worked by hand, and its refocus against a scan of the
// image-quality figures themselves.
#include "optimise/image_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "quality/image_quality.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

using namespace orvelin;
using orvelin::testing::kSearched;

namespace {

double worstRmsWavefront(const Design& d) {
    const QualityReport q = computeQuality(d);
    double w = 0;
    for (const FieldQuality& f : q.fields) w = std::max(w, f.rmsWavefront);
    return w;
}

}  // namespace

// (x - 1)^2 against 4 (x + 1)^2: equal where x - 1 = -2 (x + 1), x = -1/3,
// both 16/9 there; lifted by 5 the first crosses the second further right.
// Lifted by 50 its own minimum x = 1 lies above the other, and is the
// answer.  In two values,
// |x - (1, 0)|^2 and |x + (1, 0)|^2 meet at the origin, y free but pulled
// to 0 by both.
TEST(MinimaxQuadratics, CrossingOrVertexAsWorkedByHand) {
    // s + 2 g x + h x^2 for (x - 1)^2: s 1, g -1, h 1; for 4 (x + 1)^2: s 4, g 4, h 4.
    auto dx = minimaxQuadratics(1, {1, 4}, {-1, 4}, {1, 4});
    EXPECT_NEAR(dx[0], -1.0 / 3.0, 1e-12);
    // (x - 1)^2 + 5 = 4 (x + 1)^2 where 3x^2 + 10x - 2 = 0.
    dx = minimaxQuadratics(1, {6, 4}, {-1, 4}, {1, 4});
    EXPECT_NEAR(dx[0], (-10 + std::sqrt(124.0)) / 6, 1e-12);
    dx = minimaxQuadratics(1, {1 + 50, 0}, {-1, 0}, {1, 1});
    EXPECT_NEAR(dx[0], 1.0, 1e-12);
    dx = minimaxQuadratics(2, {1, 1}, {-1, 0, 1, 0}, {1, 0, 0, 1, 1, 0, 0, 1});
    EXPECT_NEAR(dx[0], 0.0, 1e-12);
    EXPECT_NEAR(dx[1], 0.0, 1e-12);
}

// Refocusing a tilted Schiefspiegler for its worst field: no focus a little
// either side does better, by the figures `quality` prints; and the design
// handed in is left as it was.
TEST(MinimiseWorstField, RefocusIsTheBestFocusOfTheWorstField) {
    const Design d = orvelin::testing::makeDesign(
        {{3300, 0, 3.8, 700}, {-3300, 0, -6.5, 2239}, {0, 0, -5.41, 0}}, 110, 0.5);
    const Design before = d;
    ImageSearch s;
    s.variables = {{VariableKind::sep, 2}};
    s.fields.assign(kQualityFields.begin(), kQualityFields.end());
    const ImageSearchResult r = minimiseWorstField(d, s);
    ASSERT_TRUE(r.traced);
    EXPECT_TRUE(bitIdentical(d, before));
    Design at = d;
    setVariable(at, s.variables[0], r.values[0]);
    const double best = worstRmsWavefront(at);
    EXPECT_NEAR(best, r.worst, kSearched);
    for (double step : {-0.05, -0.005, 0.005, 0.05}) {
        Design moved = at;
        setVariable(moved, s.variables[0], r.values[0] + step);
        EXPECT_GE(worstRmsWavefront(moved), best - 1e-12) << step;
    }
    // Searching again from the answer, with its derivatives, stays there
    // (to a ten-thousandth of the depth of focus, about a millimetre at
    // f/20).
    s.jacobian = r.jacobian;
    const ImageSearchResult again = minimiseWorstField(at, s);
    EXPECT_NEAR(again.values[0], r.values[0], 1e-4);
}

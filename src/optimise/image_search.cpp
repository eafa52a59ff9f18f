#include "optimise/image_search.h"

#include <algorithm>
#include <limits>

#include "optimise/image_residuals.h"

namespace orvelin {

namespace {

/// One model s + 2 g.dx + dx' H dx of a field's squared RMS.
struct Model {
    double s = 0;
    double g[2] = {0, 0};
    double H[2][2] = {{0, 0}, {0, 0}};

    double at(const double* dx, int k) const {
        double v = s;
        for (int i = 0; i < k; ++i) {
            v += 2 * g[i] * dx[i];
            for (int j = 0; j < k; ++j) v += dx[i] * H[i][j] * dx[j];
        }
        return v;
    }
};

double worstOf(const std::vector<Model>& m, const double* dx, int k) {
    double w = -std::numeric_limits<double>::infinity();
    for (const Model& f : m) w = std::max(w, f.at(dx, k));
    return w;
}

/// The minimum of a weighted sum of the models: solve H dx = -g (k <= 2).
/// False when the sum has no single minimum.
bool weightedMinimum(const std::vector<Model>& m, const std::vector<double>& w, int k, double* dx) {
    double H[2][2] = {{0, 0}, {0, 0}}, g[2] = {0, 0};
    for (std::size_t f = 0; f < m.size(); ++f)
        for (int i = 0; i < k; ++i) {
            g[i] += w[f] * m[f].g[i];
            for (int j = 0; j < k; ++j) H[i][j] += w[f] * m[f].H[i][j];
        }
    if (k == 1) {
        if (!(H[0][0] > 0)) return false;
        dx[0] = -g[0] / H[0][0];
        return std::isfinite(dx[0]);
    }
    const double det = H[0][0] * H[1][1] - H[0][1] * H[1][0];
    if (!(det > 0)) return false;
    dx[0] = -(H[1][1] * g[0] - H[0][1] * g[1]) / det;
    dx[1] = -(H[0][0] * g[1] - H[1][0] * g[0]) / det;
    return std::isfinite(dx[0]) && std::isfinite(dx[1]);
}

/// The minimax of two models, f and g: the minimum of (1 - t) f + t g over
/// dx where the two are equal, t found by bisection (the difference f - g
/// at that minimum grows with t: the dual is concave).  False when one
/// model's own minimum already lies above the other there (its vertex is
/// then the pair's answer).
bool pairMinimax(const Model& f, const Model& g, int k, double* dx) {
    const std::vector<Model> two = {f, g};
    auto differenceAt = [&](double t, double* x) {
        if (!weightedMinimum(two, {1 - t, t}, k, x)) return std::numeric_limits<double>::quiet_NaN();
        return f.at(x, k) - g.at(x, k);
    };
    double lo = 0, hi = 1, x[2];
    const double c0 = differenceAt(lo, x), c1 = differenceAt(hi, x);
    if (!(c0 < 0 && c1 > 0)) return false;
    for (int i = 0; i < 100 && hi - lo > 1e-16; ++i) {
        const double mid = 0.5 * (lo + hi);
        const double c = differenceAt(mid, x);
        if (!std::isfinite(c)) return false;
        (c < 0 ? lo : hi) = mid;
    }
    differenceAt(0.5 * (lo + hi), dx);
    return true;
}

}  // namespace

std::vector<double> minimaxQuadratics(int k, const std::vector<double>& s, const std::vector<double>& g,
                                      const std::vector<double>& H) {
    const std::size_t n = s.size();
    std::vector<Model> m(n);
    for (std::size_t f = 0; f < n; ++f) {
        m[f].s = s[f];
        for (int i = 0; i < k; ++i) {
            m[f].g[i] = g[f * k + i];
            for (int j = 0; j < k; ++j) m[f].H[i][j] = H[f * k * k + i * k + j];
        }
    }
    double best[2] = {0, 0};
    double bestWorst = worstOf(m, best, k);
    auto consider = [&](const double* dx) {
        const double w = worstOf(m, dx, k);
        if (w < bestWorst) {
            bestWorst = w;
            std::copy(dx, dx + k, best);
        }
    };
    // The minimax of convex models lies at one model's own minimum, where
    // two are equal, or (with two values) where three are: the first two
    // kinds exactly, the third by Lawson's reweighting, which raises the
    // weight of the models that are worst at the current minimum.
    double dx[2];
    for (std::size_t f = 0; f < n; ++f) {
        std::vector<double> w(n, 0.0);
        w[f] = 1;
        if (weightedMinimum(m, w, k, dx)) consider(dx);
        for (std::size_t e = f + 1; e < n; ++e) {
            if (pairMinimax(m[f], m[e], k, dx)) consider(dx);
            if (pairMinimax(m[e], m[f], k, dx)) consider(dx);
        }
    }
    if (k == 2 && n > 2) {
        std::vector<double> w(n, 1.0 / n);
        for (int it = 0; it < 2000; ++it) {
            if (!weightedMinimum(m, w, k, dx)) break;
            consider(dx);
            double total = 0;
            for (std::size_t f = 0; f < n; ++f) total += w[f] * std::max(0.0, m[f].at(dx, k));
            if (!(total > 0)) break;
            for (std::size_t f = 0; f < n; ++f) w[f] *= std::max(0.0, m[f].at(dx, k)) / total;
        }
    }
    return std::vector<double>(best, best + k);
}

namespace {

/// The chosen fields' residuals at given values of the variables.
class FieldsAt {
  public:
    FieldsAt(const Design& start, const ImageSearch& s) : design_(start), search_(s) {
        // Without a field every field is the axis.
        fields_ = s.fields;
        if (start.sinField == 0 || fields_.empty()) fields_ = {QualityField::center};
        per_ = image_.perField(s.kind);
    }
    std::size_t fieldCount() const { return fields_.size(); }
    int perField() const { return per_; }

    /// The residuals into r and each field's squared RMS into s.
    bool operator()(const std::vector<double>& x, std::vector<double>& r, std::vector<double>& s) {
        Design d = design_;
        for (std::size_t j = 0; j < x.size(); ++j) setVariable(d, search_.variables[j], x[j]);
        r.assign(fields_.size() * per_, 0.0);
        if (!image_.fields(d, search_.kind, fields_, r.data())) return false;
        s.assign(fields_.size(), 0.0);
        for (std::size_t f = 0; f < fields_.size(); ++f)
            for (int i = 0; i < per_; ++i) s[f] += r[f * per_ + i] * r[f * per_ + i];
        for (double v : s)
            if (!std::isfinite(v)) return false;
        return true;
    }

  private:
    const Design& design_;
    const ImageSearch& search_;
    std::vector<QualityField> fields_;
    int per_ = 0;
    ImageResiduals image_;
};

double largest(const std::vector<double>& s) {
    return *std::max_element(s.begin(), s.end());
}

}  // namespace

ImageSearchResult minimiseWorstField(const Design& start, const ImageSearch& search) {
    ImageSearchResult out;
    const int k = static_cast<int>(search.variables.size());
    std::vector<double> x;
    for (const OptimiseVariable& v : search.variables) x.push_back(variableValue(start, v));
    out.values = x;
    if (k > 2 || search.kind == MinimiseKind::none) return out;
    FieldsAt eval(start, search);
    const std::size_t n = eval.fieldCount();
    const int per = eval.perField();
    std::vector<double> r, s;
    ++out.evaluations;
    if (!eval(x, r, s)) return out;
    out.traced = true;
    double worst = largest(s);
    std::vector<double> J(n * per * k), rp, rm, sp, sm, rt, st;
    const bool update = search.jacobian.size() == J.size();
    if (update) J = search.jacobian;
    double damping = 0;
    std::vector<double> h(k);
    for (int j = 0; j < k; ++j) h[j] = 1e-6 * std::max(std::fabs(x[j]), 1.0);
    // The Jacobian by central differences, as the optimiser takes it.
    auto difference = [&]() {
        for (int j = 0; j < k; ++j) {
            h[j] = 1e-6 * std::max(std::fabs(x[j]), 1.0);
            std::vector<double> xp = x, xm = x;
            xp[j] += h[j];
            xm[j] -= h[j];
            const bool okPlus = eval(xp, rp, sp), okMinus = eval(xm, rm, sm);
            out.evaluations += 2;
            if (!okPlus && !okMinus) return false;
            for (std::size_t i = 0; i < r.size(); ++i)
                J[i * k + j] = okPlus && okMinus ? (rp[i] - rm[i]) / (2 * h[j])
                               : okPlus          ? (rp[i] - r[i]) / h[j]
                                                 : (r[i] - rm[i]) / h[j];
        }
        return true;
    };
    if (!update && k > 0 && !difference()) return out;
    for (int it = 0; it < search.maxIterations && k > 0; ++it) {
        std::vector<double> g(n * k, 0.0), H(n * k * k, 0.0);
        std::vector<double> scale(k, 0.0);
        for (std::size_t f = 0; f < n; ++f)
            for (int q = 0; q < per; ++q) {
                const std::size_t i = f * per + q;
                for (int a = 0; a < k; ++a) {
                    g[f * k + a] += J[i * k + a] * r[i];
                    for (int b = 0; b < k; ++b) H[f * k * k + a * k + b] += J[i * k + a] * J[i * k + b];
                }
            }
        for (std::size_t f = 0; f < n; ++f)
            for (int a = 0; a < k; ++a) scale[a] = std::max(scale[a], H[f * k * k + a * k + a]);
        bool accepted = false, settled = false;
        while (!accepted) {
            std::vector<double> Hd = H;
            for (std::size_t f = 0; f < n; ++f)
                for (int a = 0; a < k; ++a) Hd[f * k * k + a * k + a] += damping * std::max(scale[a], 1e-300);
            const std::vector<double> dx = minimaxQuadratics(k, s, g, Hd);
            bool tiny = true;
            for (int j = 0; j < k; ++j)
                tiny = tiny && std::fabs(dx[j]) <= 1e-12 * std::max(std::fabs(x[j]), 1.0);
            if (tiny) {
                settled = true;
                break;
            }
            std::vector<double> xt = x;
            for (int j = 0; j < k; ++j) xt[j] += dx[j];
            ++out.evaluations;
            if (eval(xt, rt, st) && largest(st) < worst) {
                const double gain = worst - largest(st);
                if (update) {
                    // Broyden: J += (dr - J dx) dx' / dx'dx.
                    double dd = 0;
                    for (int j = 0; j < k; ++j) dd += dx[j] * dx[j];
                    for (std::size_t i = 0; i < r.size(); ++i) {
                        double miss = rt[i] - r[i];
                        for (int j = 0; j < k; ++j) miss -= J[i * k + j] * dx[j];
                        for (int j = 0; j < k; ++j) J[i * k + j] += miss * dx[j] / dd;
                    }
                }
                x = xt;
                r.swap(rt);
                s.swap(st);
                worst = largest(s);
                damping = damping > 1e-6 ? damping / 4 : 0;
                accepted = true;
                // Settled when the step gains no more than rounding, or
                // moves so little that what is left of the way is far
                // below anything printed.
                bool small = true;
                for (int j = 0; j < k; ++j)
                    small = small && std::fabs(dx[j]) <= 1e-7 * std::max(std::fabs(x[j]), 1.0);
                settled = small || gain <= 1e-14 * worst;
            } else {
                damping = damping == 0 ? 1e-3 : damping * 8;
                if (damping > 1e8) {
                    settled = true;
                    break;
                }
            }
        }
        ++out.iterations;
        if (settled) break;
        if (!update && !difference()) break;
    }
    out.jacobian = std::move(J);
    out.values = x;
    out.worst = std::sqrt(worst);
    return out;
}

}  // namespace orvelin

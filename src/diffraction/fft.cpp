#include "diffraction/fft.h"

#include <fftw3.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <tuple>
#include <utility>

namespace orvelin {

template <class T>
FftArray<T>::FftArray(std::size_t count) : data_(static_cast<T*>(fftw_malloc(count * sizeof(T)))) {
    if (!data_) throw std::bad_alloc();
}

template <class T>
void FftArray<T>::Free::operator()(T* p) const {
    fftw_free(p);
}

template class FftArray<double>;
template class FftArray<Complex>;

namespace {

enum class Kind { complexRows, realRows };

/// Plans made on first use and kept for the life of the process; the
/// planner is not safe from several threads at once, execution is.
class PlanCache {
public:
    PlanCache() = default;
    PlanCache(const PlanCache&) = delete;
    PlanCache& operator=(const PlanCache&) = delete;
    // Destroyed at exit so that a leak checker sees every plan given back.
    ~PlanCache() {
        for (auto& entry : plans_) fftw_destroy_plan(entry.second);
        fftw_cleanup();
    }

    /// The plan transforming `count` contiguous rows of n points.
    fftw_plan rowPlan(int n, int count, Kind kind) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto key = std::make_tuple(n, count, kind);
        if (const auto it = plans_.find(key); it != plans_.end()) return it->second;
        // FFTW_ESTIMATE leaves the arrays untouched while it plans; they only
        // give the plan its alignment and whether it works in place.
        fftw_plan plan = nullptr;
        const int size[1] = {n};
        if (kind == Kind::complexRows) {
            FftArray<Complex> a(static_cast<std::size_t>(n) * count);
            auto* p = reinterpret_cast<fftw_complex*>(a.data());
            plan = fftw_plan_many_dft(1, size, count, p, nullptr, 1, n, p, nullptr, 1, n, FFTW_FORWARD,
                                      FFTW_ESTIMATE);
        } else {
            FftArray<double> in(static_cast<std::size_t>(n) * count);
            FftArray<Complex> out(static_cast<std::size_t>(n / 2 + 1) * count);
            plan = fftw_plan_many_dft_r2c(1, size, count, in.data(), nullptr, 1, n,
                                          reinterpret_cast<fftw_complex*>(out.data()), nullptr, 1,
                                          n / 2 + 1, FFTW_ESTIMATE);
        }
        if (!plan) throw std::bad_alloc();
        plans_.emplace(key, plan);
        return plan;
    }

private:
    std::mutex mutex_;
    std::map<std::tuple<int, int, Kind>, fftw_plan> plans_;
};

fftw_plan rowPlan(int n, int count, Kind kind) {
    static PlanCache cache;
    return cache.rowPlan(n, count, kind);
}

void transformRows(int n, int count, Complex* rows) {
    auto* p = reinterpret_cast<fftw_complex*>(rows);
    fftw_execute_dft(rowPlan(n, count, Kind::complexRows), p, p);
}

/// Rows of a power-of-two size lie a multiple of 4 KB apart and fall into
/// the same cache sets: blocks of 8 x 8 complex numbers stay clear of that
/// (ten times faster than 32 x 32 at 256 x 256).
constexpr int kBlock = 8;

/// Transpose the square n x n array in place, a pair of blocks at a time.
void transposeSquare(int n, Complex* a) {
    for (int i0 = 0; i0 < n; i0 += kBlock) {
        for (int j0 = i0; j0 < n; j0 += kBlock) {
            const int i1 = std::min(i0 + kBlock, n), j1 = std::min(j0 + kBlock, n);
            for (int i = i0; i < i1; ++i)
                for (int j = std::max(j0, i + 1); j < j1; ++j)
                    std::swap(a[static_cast<std::size_t>(i) * n + j], a[static_cast<std::size_t>(j) * n + i]);
        }
    }
}

}  // namespace

void fftForward2d(int n, int rows, FftArray<Complex>& data) {
    rows = std::clamp(rows, 0, n);
    if (rows > 0) transformRows(n, rows, data.data());
    transposeSquare(n, data.data());
    transformRows(n, n, data.data());
    transposeSquare(n, data.data());
}

FftWorkspace::FftWorkspace(int n)
    : size(n),
      square(static_cast<std::size_t>(n) * n),
      real(static_cast<std::size_t>(n) * n),
      half(static_cast<std::size_t>(n / 2 + 1) * n),
      rows(static_cast<std::size_t>(n) * (n / 2 + 1)) {}

void fftForwardRealTransposed(FftWorkspace& work) {
    const int n = work.size, cols = n / 2 + 1;
    // An out-of-place real-to-complex plan preserves its input (FFTW's
    // default for every kind but complex-to-real).
    fftw_execute_dft_r2c(rowPlan(n, n, Kind::realRows), work.real.data(),
                         reinterpret_cast<fftw_complex*>(work.rows.data()));
    for (int i0 = 0; i0 < n; i0 += kBlock) {
        for (int j0 = 0; j0 < cols; j0 += kBlock) {
            const int i1 = std::min(i0 + kBlock, n), j1 = std::min(j0 + kBlock, cols);
            for (int i = i0; i < i1; ++i)
                for (int j = j0; j < j1; ++j)
                    work.half[static_cast<std::size_t>(j) * n + i] =
                        work.rows[static_cast<std::size_t>(i) * cols + j];
        }
    }
    transformRows(n, cols, work.half.data());
}

int fftFriendlySize(int n) {
    for (int m = std::max(n, 2) + (n % 2);; m += 2) {
        int r = m;
        for (int f : {2, 3, 5, 7})
            while (r % f == 0) r /= f;
        if (r == 1) return m;
    }
}

}  // namespace orvelin

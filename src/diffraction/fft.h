// Two-dimensional discrete Fourier transforms of square arrays, by FFTW.
//
// A plan is made once for each size and kind, the first time it is needed,
// and kept for the life of the process; every later transform of that size
// runs the same plan on the caller's arrays (FFTW's new-array execution,
// safe from any thread).  Plans are made with FFTW_ESTIMATE, which costs a
// fraction of a millisecond: measuring plans would cost a quarter of a
// second at 512 x 512, far more than the transforms they would save in one
// run.  An estimated plan of a whole two-dimensional transform strides down
// the columns and runs ten times slower than a measured one, so the
// transforms here are only ever of contiguous rows: the rows, a transposition
// in cache-sized blocks, the rows again (and back, where the reader wants
// rows).  The rows that only padding fills are not transformed at all.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace orvelin {

using Complex = std::complex<double>;

/// Memory aligned as FFTW's plans expect it (fftw_malloc), freed with the
/// owner.
template <class T>
class FftArray {
  public:
    FftArray() = default;
    explicit FftArray(std::size_t count);
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

  private:
    struct Free {
        void operator()(T* p) const;
    };
    std::unique_ptr<T[], Free> data_;
};

/// The forward transform (exponent -2 pi i) of an n x n complex array of
/// which only the first `rows` rows hold values (the rest zero), in place:
/// afterwards data[q * n + p] = sum over rows l and columns j of
/// in[l][j] exp(-2 pi i (q l + p j) / n), unnormalised.
void fftForward2d(int n, int rows, FftArray<Complex>& data);

/// The arrays the transforms of one size work in, allocated once for all
/// the fields of a computation: fresh megabytes for every transform cost
/// more in page faults than the transforms themselves.
struct FftWorkspace {
    explicit FftWorkspace(int n);
    int size;
    FftArray<Complex> square;  ///< n x n
    FftArray<double> real;     ///< n x n
    FftArray<Complex> half;    ///< n / 2 + 1 rows of n
    FftArray<Complex> rows;    ///< n rows of n / 2 + 1, scratch
};

/// The forward transform of the n x n real array work.real (n even),
/// transposed and halved into work.half: n / 2 + 1 rows of n, half[p * n +
/// q] the coefficient of exp(-2 pi i (q l + p j) / n) for the columns'
/// frequencies p = 0 .. n / 2 (the rest follows by conjugate symmetry).
/// work.real is left unchanged.
void fftForwardRealTransposed(FftWorkspace& work);

/// The smallest even size at least n whose only prime factors are 2, 3, 5
/// and 7, the sizes FFTW transforms fastest.
int fftFriendlySize(int n);

}  // namespace orvelin

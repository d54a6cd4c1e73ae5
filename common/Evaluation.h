#pragma once

// What the long computations of both programs share: the choice between the reference evaluation
// and the fast path, the vector unit the fast path uses, and how progress is reported.

#include <functional>

namespace vorel {

// How a computation is evaluated. The reference is the straightforward single-threaded scalar
// evaluation, kept to check the fast path against. The fast path runs on every processor with the
// vector unit; its 16-bit samples are the reference's within one step, and the peak that scales a
// sound, with the samples at it, is the reference's to the bit.
enum class Evaluation { reference, fast };

// The vector units the fast paths can use. `none`: scalar code only.
enum class VectorUnit { none, avx2, avx512 };

// The widest unit this processor (and this build) supports.
VectorUnit bestVectorUnit();
bool vectorUnitAvailable(VectorUnit unit);
const char* vectorUnitName(VectorUnit unit);

// Whether this build holds the vector code of the fast paths.
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
inline constexpr bool buildHasVectorCode = true;
#else
inline constexpr bool buildHasVectorCode = false;
#endif

// Runs the code of `unit` where this build has it and this processor runs it, else the scalar
// code. The vector code comes as generic lambdas (taking the unit, `[&](auto) { ... }`): in a
// build without vector code they are never instantiated, so they may call functions that exist
// only with it.
template <typename Avx512, typename Avx2, typename Scalar>
void onVectorUnit(VectorUnit unit, Avx512&& avx512, Avx2&& avx2, Scalar&& scalar) {
    if constexpr (buildHasVectorCode) {
        if (unit == VectorUnit::avx512 && vectorUnitAvailable(unit))
            return avx512(unit);
        if (unit == VectorUnit::avx2 && vectorUnitAvailable(unit))
            return avx2(unit);
    }
    scalar();
}

// Called between pieces of long work with the fraction done (0..1); returning false cancels.
using Progress = std::function<bool(double)>;

} // namespace vorel

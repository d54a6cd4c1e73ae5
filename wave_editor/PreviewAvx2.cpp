// The previews' cosine pairs four samples at a time with AVX2 and glibc's vector math library.
// Only the functions of this file are compiled for AVX2; they run only where the processor has it.

#if defined(__x86_64__)

#include "wave_editor/PreviewDetail.h"

#include <cstddef>
#include <immintrin.h>

// Every function declared from here on is compiled for AVX2 (and only those: the headers above keep
// their inline functions generic, so the linker never shares an AVX2 copy with the rest of the
// program). g++ and clang++ each need their own pragma.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "common/VectorLanesAvx2.h"

namespace vorel::wave::preview_detail {
using vector_lanes::Avx2;
} // namespace vorel::wave::preview_detail

#include "wave_editor/PreviewBlocks.h"

namespace vorel::wave::preview_detail {

void pairSumsAvx2(const PairPlan& plan, std::size_t begin, std::size_t end, const ToneOutput& out) {
    pairBlocks<Avx2>(plan, begin, end, out);
}

} // namespace vorel::wave::preview_detail

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif // __x86_64__

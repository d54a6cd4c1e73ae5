// The previews' cosine pairs eight samples at a time with AVX-512 and glibc's vector math library.
// Only the functions of this file are compiled for AVX-512; they run only where the processor has
// it.

#if defined(__x86_64__)

#include "wave_editor/PreviewDetail.h"

#include <cstddef>

// Every function declared from here on is compiled for AVX-512 (and only those: the headers above
// keep their inline functions generic, so the linker never shares an AVX-512 copy with the rest of
// the program).
#include "common/VectorLanesAvx512.h"

namespace vorel::wave::preview_detail {
using vector_lanes::Avx512;
} // namespace vorel::wave::preview_detail

#include "wave_editor/PreviewBlocks.h"

namespace vorel::wave::preview_detail {

void pairSumsAvx512(const PairPlan& plan, std::size_t begin, std::size_t end,
                    const ToneOutput& out) {
    pairBlocks<Avx512>(plan, begin, end, out);
}

} // namespace vorel::wave::preview_detail

#include "common/VectorTargetEnd.h"

#endif // __x86_64__

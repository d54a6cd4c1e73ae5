#include "common/Evaluation.h"

namespace vorel {

bool vectorUnitAvailable(VectorUnit unit) {
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
    // Safe to repeat; needed when this runs before the run-time library's own constructors
    // (an engine constructed during static initialisation).
    __builtin_cpu_init();
#endif
    switch (unit) {
    case VectorUnit::none:
        return true;
#if defined(VOREL_HAVE_VECTOR_MATH) && defined(__x86_64__)
    case VectorUnit::avx2:
        return __builtin_cpu_supports("avx2");
    case VectorUnit::avx512:
        return __builtin_cpu_supports("avx512f");
#else
    default:
        return false;
#endif
    }
    return false;
}

VectorUnit bestVectorUnit() {
    if (vectorUnitAvailable(VectorUnit::avx512))
        return VectorUnit::avx512;
    if (vectorUnitAvailable(VectorUnit::avx2))
        return VectorUnit::avx2;
    return VectorUnit::none;
}

const char* vectorUnitName(VectorUnit unit) {
    switch (unit) {
    case VectorUnit::avx2:
        return "avx2";
    case VectorUnit::avx512:
        return "avx512";
    case VectorUnit::none:
        break;
    }
    return "scalar";
}

} // namespace vorel

// Ends the instruction set a common/VectorLanes*.h header switched on: the functions declared
// after this are compiled for the build's own target again. (No include guard: a vector source
// file includes it once, after its last function.)

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

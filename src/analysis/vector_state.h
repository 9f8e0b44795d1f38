#pragma once
// The processor's vector register state, where it costs the analysis time.

namespace kelvox {

/// A thread may find the upper halves of the vector registers marked in use (wide
/// vector code of the C library or of Qt, or of whatever ran before a switch, leaves
/// them so); many x86 processors then make every SSE instruction merge them, and
/// code compiled for SSE runs several times slower. vzeroupper clears the mark and
/// leaves the lower halves, which that code uses, as they are. Called where such
/// code starts after a library's.
inline void clearUpperVectorHalves()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        __asm__ volatile("vzeroupper");
#endif
}

}  // namespace kelvox

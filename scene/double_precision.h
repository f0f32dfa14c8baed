#pragma once

// Double-precision arithmetic on the x87 unit. The 32-bit Windows saver is
// built for processors without SSE2 (Pentium II, Athlon), so there every
// float and double operation runs on the x87 unit, whose precision control
// decides how many significand bits each result keeps: 64 as most runtimes
// leave it at start-up, 24 as some GL drivers set it. The animation computes
// in IEEE double precision on every build, so while one of these lives the
// unit keeps 53 bits; the caller's setting comes back when it ends. Each of
// the scene's entry points holds one. Elsewhere (SSE2 arithmetic, WebAssembly)
// double precision is the hardware's own and this does nothing.
//
// Only the significand is narrowed: a value held in an x87 register keeps
// the wider exponent until it is stored, which the scene's finite, moderate
// numbers never reach.
class DoublePrecisionScope {
public:
#if defined(__i386__) && !defined(__SSE2_MATH__)
    DoublePrecisionScope()
    {
        __asm__ __volatile__("fnstcw %0" : "=m"(saved_) : : "memory");
        // Bits 8-9 of the control word: 00 single, 10 double, 11 extended.
        const unsigned short doublePrecision = static_cast<unsigned short>((saved_ & ~0x0300u) | 0x0200u);
        __asm__ __volatile__("fldcw %0" : : "m"(doublePrecision) : "memory");
    }
    ~DoublePrecisionScope() { __asm__ __volatile__("fldcw %0" : : "m"(saved_) : "memory"); }

private:
    unsigned short saved_;
#else
    // User-provided, so that a scope that does nothing is no unused variable.
    DoublePrecisionScope() {}
    ~DoublePrecisionScope() {}
#endif

public:
    DoublePrecisionScope(const DoublePrecisionScope&) = delete;
    DoublePrecisionScope& operator=(const DoublePrecisionScope&) = delete;
};

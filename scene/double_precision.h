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
#if defined(__i386__) && !defined(__SSE2_MATH__)
#define CINDRAL_X87_ARITHMETIC 1

// The x87 control word; its bits 8-9 are the precision control: 00 single,
// 10 double, 11 extended.
constexpr unsigned short kX87PrecisionBits = 0x0300;
constexpr unsigned short kX87DoublePrecision = 0x0200;

inline unsigned short x87ControlWord()
{
    unsigned short word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

inline void setX87ControlWord(unsigned short word)
{
    __asm__ __volatile__("fldcw %0" : : "m"(word) : "memory");
}
#endif

class DoublePrecisionScope {
public:
#ifdef CINDRAL_X87_ARITHMETIC
    DoublePrecisionScope() : saved_(x87ControlWord())
    {
        setX87ControlWord(static_cast<unsigned short>((saved_ & ~kX87PrecisionBits) | kX87DoublePrecision));
    }
    ~DoublePrecisionScope() { setX87ControlWord(saved_); }

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

#pragma once

#include <cstdint>

// The scene's one pseudo-random integer generator: a 32-bit linear
// congruential generator, state 1 at start and never reseeded, so every run
// draws the same sequence. Each draw yields a value in 0..32767.
class RandomSource {
public:
    static constexpr std::uint32_t kInitialState = 1;
    static constexpr std::uint32_t kMultiplier = 214013;
    static constexpr std::uint32_t kIncrement = 2531011;

    std::uint32_t draw()
    {
        state_ = state_ * kMultiplier + kIncrement; // wraps modulo 2^32
        ++draws_;
        return (state_ >> 16) & 0x7FFFu;
    }

    std::uint32_t state() const { return state_; }
    // Draws made since construction; tools report it, the scene never reads it.
    std::uint64_t draws() const { return draws_; }

private:
    std::uint32_t state_ = kInitialState;
    std::uint64_t draws_ = 0;
};

// The process's generator. Only the scene draws from it.
extern RandomSource gRandomSource;

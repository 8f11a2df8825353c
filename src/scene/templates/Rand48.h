#pragma once
// The spawners' random numbers: the 48-bit linear congruential generator of
// rand48, drawn as doubles in [0, 1). Seeded alike, two spawners draw alike
// on every platform, which is what makes a seeded spawner's waves repeatable.

#include <cstdint>

namespace Tarnu
{

class Rand48
{
public:
    explicit Rand48(std::uint32_t seed = 1) { this->seed(seed); }

    void seed(std::uint32_t seed) { state = ((static_cast<std::uint64_t>(seed) << 16) | 0x330E) & MASK; }

    /// The next 31 output bits over 2^31.
    double next()
    {
        // Wrapping at 2^64 keeps the product right modulo 2^48.
        state = (state * 0x5DEECE66DULL + 0xB) & MASK;
        return static_cast<double>(state >> 17) * 0x1p-31;
    }

private:
    static constexpr std::uint64_t MASK = (std::uint64_t(1) << 48) - 1;
    std::uint64_t state;
};

}

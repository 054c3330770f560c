// xoshiro256** over a state that lives in the population's shared memory, so
// a run is reproducible from its seed whichever process draws the numbers.
// Used only while the population lock is held.
#pragma once

#include <cstdint>

namespace qx {

class GaRandom {
public:
    explicit GaRandom(uint64_t* state) : m_s(state) {}

    // Expands a 64-bit seed with splitmix64; the all-zero state (the one
    // xoshiro cannot leave) is impossible this way.
    static void seed(uint64_t* state, uint64_t seedValue) {
        for (int i = 0; i < 4; ++i) {
            seedValue += 0x9e3779b97f4a7c15ULL;
            uint64_t z = seedValue;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            state[i] = z ^ (z >> 31);
        }
    }

    uint64_t next() {
        const uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform in [lo, hi].
    double uniform(double lo, double hi) {
        const double v = lo + uniform() * (hi - lo);
        return v > hi ? hi : v;
    }

    // Uniform integer in [0, n) for n >= 1 (Lemire's multiply-shift; the tiny
    // bias for huge n does not matter here).
    uint64_t below(uint64_t n) { return static_cast<uint64_t>((static_cast<unsigned __int128>(next()) * n) >> 64); }

    bool chance(double probability) { return uniform() < probability; }

private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t* m_s;
};

} // namespace qx

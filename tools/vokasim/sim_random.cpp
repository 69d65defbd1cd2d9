// Random numbers: xoshiro256** (Blackman and Vigna), seeded by splitmix64.
// Integer arithmetic only, so a seed gives the same stream everywhere.
#include "vokasim.h"

static uint64_t Splitmix_next(uint64_t *state)
{
    uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

static uint64_t Rotate_left(uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

void Sim_random_seed(SimRandom *random, uint64_t seed)
{
    uint64_t state = seed;
    for (int i = 0; i < 4; i++)
        random->s[i] = Splitmix_next(&state);
}

uint64_t Sim_random_next(SimRandom *random)
{
    uint64_t *s = random->s;
    const uint64_t result = Rotate_left(s[1] * 5, 7) * 9;
    const uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = Rotate_left(s[3], 45);
    return result;
}

double Sim_random_uniform(SimRandom *random)
{
    // 53 random bits, shifted by half a step: never 0, never 1.
    const uint64_t bits = Sim_random_next(random) >> 11;
    return (static_cast<double>(bits) + 0.5) * (1.0 / 9007199254740992.0);
}

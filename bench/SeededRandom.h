#pragma once

#include "platform/random/RandomSource.h"

#include <random>

namespace qf::bench {

// The program's random choices from a fixed seed: every run lays a pile out
// the same way, so runs measure the same picture.
class SeededRandom final : public RandomSource {
public:
    explicit SeededRandom(quint32 seed = 20240601)
        : m_engine(seed)
    {
    }
    quint32 next() override { return quint32(m_engine()); }

private:
    std::mt19937 m_engine;
};

} // namespace qf::bench

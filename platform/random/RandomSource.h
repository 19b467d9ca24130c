#pragma once

#include "platform/core/Installable.h"

#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace qf {

// Where every random choice of the program comes from: uniform 32-bit values.
// The program uses the system source; tests install a scripted one (nullptr
// restores the system source).
class RandomSource : public Installable<RandomSource> {
public:
    virtual ~RandomSource() = default;
    virtual quint32 next() = 0;

private:
    friend class Installable<RandomSource>;
    static RandomSource& defaultInstance();
};

// Unseeded values from the operating system's generator.
class SystemRandomSource final : public RandomSource {
public:
    quint32 next() override;
};

// Answers a fixed sequence, starting over when it runs out (an empty script
// answers 0), so that tests can predict every choice.
class ScriptedRandomSource final : public RandomSource {
public:
    explicit ScriptedRandomSource(std::vector<quint32> values);
    quint32 next() override;
    std::size_t callCount() const { return m_calls; }

private:
    std::vector<quint32> m_values;
    std::size_t m_next = 0;
    std::size_t m_calls = 0;
};

using ScopedRandomSource = RandomSource::Scoped;

} // namespace qf

#include "platform/random/RandomSource.h"

#include <QRandomGenerator>

namespace qf {

namespace {
RandomSource* g_installed = nullptr;

SystemRandomSource& systemSource()
{
    static SystemRandomSource source;
    return source;
}
} // namespace

RandomSource& RandomSource::current()
{
    return g_installed ? *g_installed : systemSource();
}

void RandomSource::install(RandomSource* source)
{
    g_installed = source;
}

quint32 SystemRandomSource::next()
{
    return QRandomGenerator::global()->generate();
}

ScriptedRandomSource::ScriptedRandomSource(std::vector<quint32> values)
    : m_values(std::move(values))
{
}

quint32 ScriptedRandomSource::next()
{
    ++m_calls;
    if (m_values.empty())
        return 0;
    if (m_next >= m_values.size())
        m_next = 0;
    return m_values[m_next++];
}

ScopedRandomSource::ScopedRandomSource(RandomSource& source)
    : m_previous(&RandomSource::current())
{
    RandomSource::install(&source);
}

ScopedRandomSource::~ScopedRandomSource()
{
    RandomSource::install(m_previous);
}

} // namespace qf

#include "platform/random/RandomSource.h"

#include <QRandomGenerator>

namespace qf {

RandomSource& RandomSource::defaultInstance()
{
    static SystemRandomSource source;
    return source;
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

} // namespace qf

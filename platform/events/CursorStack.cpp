#include "platform/events/CursorStack.h"

namespace qf {

CursorStack& CursorStack::shared()
{
    static CursorStack stack;
    return stack;
}

void CursorStack::push(const Cursor& cursor)
{
    m_stack.push_back(cursor);
    show();
}

void CursorStack::pop()
{
    if (m_stack.empty())
        return;
    m_stack.pop_back();
    show();
}

void CursorStack::set(const Cursor& cursor)
{
    m_base = cursor;
    if (m_stack.empty())
        show();
}

Cursor CursorStack::current() const
{
    return m_stack.empty() ? m_base : m_stack.back();
}

void CursorStack::endGesture(int depthAtStart)
{
    if (depthAtStart < 0)
        depthAtStart = 0;
    if (depth() <= depthAtStart)
        return;
    m_stack.resize(static_cast<std::size_t>(depthAtStart));
    show();
}

void CursorStack::setSink(CursorSink* sink)
{
    m_sink = sink;
    show();
}

void CursorStack::show()
{
    if (m_sink)
        m_sink->showCursor(current());
}

} // namespace qf

#include "platform/core/Status.h"

#include <utility>

namespace qf {

Status Status::failure(QString message, QString detail)
{
    Status s;
    s.m_ok = false;
    s.m_message = std::move(message);
    s.m_detail = std::move(detail);
    return s;
}

} // namespace qf

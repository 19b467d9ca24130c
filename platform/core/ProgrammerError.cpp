#include "platform/core/ProgrammerError.h"

namespace qf {

ProgrammerError::ProgrammerError(const QString& reason)
    : std::logic_error(reason.toStdString())
{
}

} // namespace qf

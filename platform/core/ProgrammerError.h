#pragma once

#include <QString>

#include <stdexcept>

namespace qf {

// A real programming error (a broken invariant), never a user's or a file's
// fault. what() is the reason.
class ProgrammerError : public std::logic_error {
public:
    explicit ProgrammerError(const QString& reason);
    static const char* name() { return "ProgrammerError"; }
    QString reason() const { return QString::fromUtf8(what()); }
};

} // namespace qf

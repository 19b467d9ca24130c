#pragma once

#include <QString>

namespace qf {

// The outcome of an operation the user asked for: success, or the message
// that tells the user why it failed. The detail is for the log (paths,
// system error texts) and is never shown on its own.
class [[nodiscard]] Status {
public:
    static Status success() { return Status(); }
    static Status failure(QString message, QString detail = {});

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    // Empty on success.
    const QString& message() const { return m_message; }
    const QString& detail() const { return m_detail; }

private:
    Status() = default;
    bool m_ok = true;
    QString m_message;
    QString m_detail;
};

} // namespace qf

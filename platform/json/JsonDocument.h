#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Parsing of JSON text that came from a file or another process. Every reader
// of project data starts here.
namespace qf::json {

// A parsed top-level object, or the message that tells the user why the text
// could not be read.
class ObjectParseResult {
public:
    static ObjectParseResult success(QJsonObject object);
    static ObjectParseResult failure(QString message);

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    // Empty on failure.
    const QJsonObject& object() const { return m_object; }
    // Empty on success.
    const QString& errorMessage() const { return m_errorMessage; }

private:
    bool m_ok = false;
    QJsonObject m_object;
    QString m_errorMessage;
};

// Parses UTF-8 JSON text whose top level must be an object. Text nested
// deeper than maxDepth arrays and objects is refused before it is parsed.
ObjectParseResult parseObject(const QByteArray& utf8, int maxDepth = 512);

} // namespace qf::json

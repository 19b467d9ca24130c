#include "platform/json/JsonDocument.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonParseError>

#include <utility>

namespace qf::json {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("qf::json", text);
}

// The deepest nesting of arrays and objects, counting brackets outside
// strings. Malformed text is left for the parser to report; this only has to
// stop before the parser's own, much deeper recursion.
int nestingDepth(const QByteArray& text, int stopAbove)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > deepest) {
                deepest = depth;
                if (deepest > stopAbove)
                    return deepest;
            }
            break;
        case ']':
        case '}':
            if (depth > 0)
                --depth;
            break;
        default:
            break;
        }
    }
    return deepest;
}

} // namespace

ObjectParseResult ObjectParseResult::success(QJsonObject object)
{
    ObjectParseResult r;
    r.m_ok = true;
    r.m_object = std::move(object);
    return r;
}

ObjectParseResult ObjectParseResult::failure(QString message)
{
    ObjectParseResult r;
    r.m_errorMessage = std::move(message);
    return r;
}

ObjectParseResult parseObject(const QByteArray& utf8, int maxDepth)
{
    if (nestingDepth(utf8, maxDepth) > maxDepth)
        return ObjectParseResult::failure(
            tr("The data is nested more than %1 levels deep and cannot be read.").arg(maxDepth));

    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError)
        return ObjectParseResult::failure(
            tr("The data is not valid JSON (%1 at offset %2).").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        return ObjectParseResult::failure(tr("The data is not a JSON object."));
    return ObjectParseResult::success(doc.object());
}

} // namespace qf::json

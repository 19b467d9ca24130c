#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantList>

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace qf {

namespace {

// Seconds from the Unix epoch to the property-list epoch (2001-01-01 UTC).
constexpr qint64 kEpochOffsetSeconds = 978'307'200;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// --- checks before parsing -------------------------------------------------

bool startsWith(const QByteArray& text, qsizetype at, const char* what)
{
    const qsizetype n = qsizetype(std::strlen(what));
    return at + n <= text.size() && std::memcmp(text.constData() + at, what, size_t(n)) == 0;
}

// The deepest nesting of <array> and <dict> elements, ignoring comments,
// CDATA and declarations. Malformed text is left for the parser.
int xmlNestingDepth(const QByteArray& text, int stopAbove)
{
    int depth = 0;
    int deepest = 0;
    qsizetype i = 0;
    const auto skipPast = [&](const char* end) {
        const qsizetype at = text.indexOf(end, i);
        i = at < 0 ? text.size() : at + qsizetype(std::strlen(end));
    };
    while (i < text.size()) {
        if (text[i] != '<') {
            ++i;
            continue;
        }
        if (startsWith(text, i, "<!--")) {
            skipPast("-->");
        } else if (startsWith(text, i, "<![CDATA[")) {
            skipPast("]]>");
        } else if (startsWith(text, i, "<?")) {
            skipPast("?>");
        } else if (startsWith(text, i, "<!")) {
            skipPast(">");
        } else if (startsWith(text, i, "</")) {
            if ((startsWith(text, i, "</array") || startsWith(text, i, "</dict")) && depth > 0)
                --depth;
            skipPast(">");
        } else {
            const bool container = startsWith(text, i, "<array") || startsWith(text, i, "<dict");
            const qsizetype nameEnd = i + (startsWith(text, i, "<array") ? 6 : 5);
            const qsizetype close = text.indexOf('>', i);
            const bool selfClosing = close > 0 && text[close - 1] == '/';
            const bool nameEnds = nameEnd < text.size()
                && (text[nameEnd] == '>' || text[nameEnd] == '/' || std::isspace(uchar(text[nameEnd])));
            if (container && nameEnds && !selfClosing) {
                if (++depth > deepest)
                    deepest = depth;
                if (deepest > stopAbove)
                    return deepest;
            }
            i = close < 0 ? text.size() : close + 1;
        }
    }
    return deepest;
}

quint64 bigEndian(const uchar* p, int n)
{
    quint64 v = 0;
    for (int k = 0; k < n; ++k)
        v = (v << 8) | p[k];
    return v;
}

// Whether a binary property list stays within the depth and value limits
// once its shared references are expanded. Anything malformed is refused.
bool binaryWithinLimits(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const quint64 n = quint64(bytes.size());
    if (n < 8 + 32)
        return false;
    const quint64 end = n - 32; // objects and offset table lie before the trailer
    const uchar* trailer = data + end;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const quint64 count = bigEndian(trailer + 8, 8);
    const quint64 top = bigEndian(trailer + 16, 8);
    const quint64 table = bigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8)
        return false;
    if (count == 0 || top >= count || table < 8 || table > end || count > (end - table) / quint64(offsetSize))
        return false;

    const auto offsetOf = [&](quint64 i) { return bigEndian(data + table + i * quint64(offsetSize), offsetSize); };
    // The item count of the object at `off` (its marker's low nibble, or an
    // integer after it) and where its items begin; false when malformed.
    const auto countOf = [&](quint64 off, quint64& items, quint64& pos) {
        items = data[off] & 0x0F;
        pos = off + 1;
        if (items != 0x0F)
            return true;
        if (pos >= table || (data[pos] >> 4) != 0x1)
            return false;
        const int width = 1 << (data[pos] & 0x0F);
        if (width > 8 || pos + 1 + quint64(width) > table)
            return false;
        items = bigEndian(data + pos + 1, width);
        pos += 1 + quint64(width);
        return true;
    };
    // Whether object i can be a dictionary key: a string without a NUL
    // character. libplist aborts on reading a key whose length and C string
    // length differ, and a key cut at its NUL would name another entry.
    const auto isKey = [&](quint64 i) {
        const quint64 off = offsetOf(i);
        if (off < 8 || off >= table)
            return false;
        const int type = data[off] >> 4;
        quint64 chars = 0;
        quint64 pos = 0;
        if ((type != 0x5 && type != 0x6) || !countOf(off, chars, pos))
            return false;
        const quint64 width = type == 0x5 ? 1 : 2;
        if (chars > (table - pos) / width)
            return false;
        for (quint64 k = 0; k < chars; ++k)
            if (data[pos + k * width] == 0 && (width == 1 || data[pos + k * width + 1] == 0))
                return false;
        return true;
    };

    // The children of object i; false for a malformed object.
    std::vector<quint64> children;
    const auto childrenOf = [&](quint64 i) {
        children.clear();
        const quint64 off = offsetOf(i);
        if (off < 8 || off >= table)
            return false;
        const int type = data[off] >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            return true;
        quint64 items = 0;
        quint64 pos = 0;
        if (!countOf(off, items, pos))
            return false;
        if (type == 0xD) {
            if (items > table)
                return false;
            items *= 2;
        }
        if (items > (table - pos) / quint64(refSize))
            return false;
        for (quint64 k = 0; k < items; ++k) {
            const quint64 ref = bigEndian(data + pos + k * quint64(refSize), refSize);
            if (ref >= count || (type == 0xD && k < items / 2 && !isKey(ref)))
                return false;
            children.push_back(ref);
        }
        return true;
    };

    // Depth-first over the object graph, each object once: expanded value
    // count and depth below each object, remembered.
    enum : uchar { Unseen, Open, Done };
    std::vector<uchar> state(count, Unseen);
    std::vector<qint64> values(count, 0);
    std::vector<int> depth(count, 0);
    struct Frame {
        quint64 object;
        std::vector<quint64> children;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    const auto open = [&](quint64 i) {
        if (!childrenOf(i) || stack.size() > size_t(PropertyList::maxDepth))
            return false;
        state[i] = Open;
        stack.push_back({i, children});
        return true;
    };
    if (!open(top))
        return false;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < f.children.size()) {
            const quint64 c = f.children[f.next++];
            if (state[c] == Open)
                return false; // a cycle
            if (state[c] == Unseen && !open(c))
                return false;
            continue;
        }
        qint64 total = 1;
        int deepest = 0;
        for (quint64 c : f.children) {
            total = std::min(total + values[c], PropertyList::maxValues + 1);
            deepest = std::max(deepest, depth[c]);
        }
        const quint64 i = f.object;
        values[i] = total;
        depth[i] = f.children.empty() ? 0 : deepest + 1;
        state[i] = Done;
        stack.pop_back();
        if (total > PropertyList::maxValues || depth[i] > PropertyList::maxDepth)
            return false;
    }
    return true;
}

// --- conversion --------------------------------------------------------------

std::optional<QVariant> toVariant(plist_t node, int depth)
{
    if (!node || depth > PropertyList::maxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return QVariant(v != 0);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        // Property-list integers are signed 64-bit values.
        return QVariant(qint64(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return QVariant(v);
    }
    case PLIST_STRING: {
        uint64_t len = 0;
        const char* p = plist_get_string_ptr(node, &len);
        return QVariant(p ? QString::fromUtf8(p, qsizetype(len)) : QString());
    }
    case PLIST_DATA: {
        uint64_t len = 0;
        const char* p = plist_get_data_ptr(node, &len);
        return QVariant(p ? QByteArray(p, qsizetype(len)) : QByteArray());
    }
    case PLIST_DATE: {
        // libplist keeps a date as real seconds but hands them out only as
        // whole seconds cut toward zero, in 32 bits (the outermost values
        // stand for any date beyond them), and a fraction without its sign,
        // a hair short. Dates beyond 32 bits are left out; the others are
        // put together again to the nearest millisecond. Within the second
        // after the epoch the sign cannot be told: such a date counts as after.
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        if (sec == INT32_MIN || sec == INT32_MAX)
            return std::nullopt;
        const qint64 fraction = (qint64(usec) + 500) / 1000;
        const qint64 ms = (kEpochOffsetSeconds + sec) * 1000 + (sec < 0 ? -fraction : fraction);
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t k = 0; k < size; ++k) {
            if (auto v = toVariant(plist_array_get_item(node, k), depth + 1))
                list.append(std::move(*v));
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it)
            return QVariant(map);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            if (auto v = toVariant(value, depth + 1); v && key)
                map.insert(QString::fromUtf8(key), std::move(*v));
            std::free(key);
        }
        std::free(it);
        return QVariant(map);
    }
    default:
        return std::nullopt;
    }
}

PlistPtr fromVariant(const QVariant& v, int depth)
{
    if (depth > PropertyList::maxDepth)
        return nullptr;
    switch (v.typeId()) {
    case QMetaType::QVariantMap: {
        PlistPtr dict(plist_new_dict());
        const QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            PlistPtr item = fromVariant(it.value(), depth + 1);
            if (!item)
                return nullptr;
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), item.release());
        }
        return dict;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        PlistPtr array(plist_new_array());
        for (const QVariant& e : v.toList()) {
            PlistPtr item = fromVariant(e, depth + 1);
            if (!item)
                return nullptr;
            plist_array_append_item(array.get(), item.release());
        }
        return array;
    }
    case QMetaType::QString:
        return PlistPtr(plist_new_string(v.toString().toUtf8().constData()));
    case QMetaType::Bool:
        return PlistPtr(plist_new_bool(v.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return PlistPtr(plist_new_uint(uint64_t(v.toLongLong())));
    case QMetaType::Double:
    case QMetaType::Float:
        return PlistPtr(plist_new_real(v.toDouble()));
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return PlistPtr(plist_new_data(b.constData(), uint64_t(b.size())));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = v.toDateTime().toMSecsSinceEpoch() - kEpochOffsetSeconds * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        if (sec <= INT32_MIN || sec >= INT32_MAX) // what the reader leaves out
            return nullptr;
        return PlistPtr(plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000)));
    }
    default:
        return nullptr;
    }
}

} // namespace

std::optional<QVariant> PropertyList::read(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > maxBytes)
        return std::nullopt;
    const bool binary = bytes.startsWith("bplist00");
    if (binary ? !binaryWithinLimits(bytes) : xmlNestingDepth(bytes, maxDepth) > maxDepth)
        return std::nullopt;
    plist_t raw = nullptr;
    if (binary)
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &raw);
    else
        plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &raw);
    const PlistPtr root(raw);
    return toVariant(root.get(), 0);
}

std::optional<QVariantMap> PropertyList::readDictionary(const QByteArray& bytes)
{
    const std::optional<QVariant> v = read(bytes);
    if (!v || v->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return v->toMap();
}

std::optional<QByteArray> PropertyList::toXml(const QVariant& value)
{
    const PlistPtr root = fromVariant(value, 0);
    if (!root)
        return std::nullopt;
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &text, &length);
    if (!text)
        return std::nullopt;
    QByteArray out(text, qsizetype(length));
    plist_to_xml_free(text);
    return out;
}

std::optional<QByteArray> PropertyList::toBinary(const QVariant& value)
{
    const PlistPtr root = fromVariant(value, 0);
    if (!root)
        return std::nullopt;
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bin, &length);
    if (!bin)
        return std::nullopt;
    QByteArray out(bin, qsizetype(length));
    plist_to_bin_free(bin);
    return out;
}

} // namespace qf

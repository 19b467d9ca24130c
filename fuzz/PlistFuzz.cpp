// Reads arbitrary bytes as a property list, XML or binary as the bytes say.
// Nothing may crash, hang or abort inside libplist (it aborts on some
// malformed input, so the reader must refuse that first). A value read must
// also write in both forms and read back the same, except where libplist's C
// strings cannot hold it (a NUL character in a text) or where the written
// form outgrows the reader's size limit. XML keeps dates in whole seconds.
#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>
#include <cstdlib>

using qf::PropertyList;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

bool holdsNul(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString().contains(QChar(0));
    case QMetaType::QVariantList:
        for (const QVariant& e : v.toList())
            if (holdsNul(e))
                return true;
        return false;
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (it.key().contains(QChar(0)) || holdsNul(it.value()))
                return true;
        return false;
    }
    default:
        return false;
    }
}

// Equality where NaN equals NaN (a real read back is the same bits), and
// dates within a second where the XML form keeps whole seconds (libplist
// cuts them toward 2001).
bool same(const QVariant& a, const QVariant& b, bool seconds)
{
    if (a.typeId() != b.typeId())
        return false;
    switch (a.typeId()) {
    case QMetaType::Double: {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    case QMetaType::QDateTime:
        return seconds ? std::abs(a.toDateTime().msecsTo(b.toDateTime())) < 1000 : a == b;
    case QMetaType::QVariantList: {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!same(x[i], y[i], seconds))
                return false;
        return true;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it)
            if (!same(it.value(), y.value(it.key()), seconds))
                return false;
        return true;
    }
    default:
        return a == b;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QVariant> value = PropertyList::read(bytes);
    if (!value || holdsNul(*value))
        return 0;
    for (const bool xml : {true, false}) {
        const std::optional<QByteArray> written = xml ? PropertyList::toXml(*value) : PropertyList::toBinary(*value);
        require(written.has_value());
        // Shared references written out in full can outgrow what the reader takes.
        if (written->size() > PropertyList::maxBytes)
            continue;
        const std::optional<QVariant> again = PropertyList::read(*written);
        require(again.has_value() && same(*again, *value, xml));
    }
    return 0;
}

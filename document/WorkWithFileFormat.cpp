#include "document/WorkWithFileFormat.h"

#include "model/UtilityFunctions.h"

#include <QByteArrayView>

#include <limits>

namespace qf {

namespace {

constexpr qsizetype kMagicLength = 8;
constexpr qsizetype kVersionOffset = 8;
constexpr qsizetype kTextOffset = 10;
constexpr qsizetype kTextLength = 32;
constexpr qsizetype kReservedLength = 128;
constexpr qsizetype kHeaderDigestOffset = 170;
constexpr qsizetype kPayloadDigestOffset = 186;
constexpr qsizetype kDigestLength = 16;

static_assert(kTextOffset + kTextLength + kReservedLength == kHeaderDigestOffset);
static_assert(kPayloadDigestOffset + kDigestLength == WorkWithFileFormat::kHeaderLength);

const QByteArray& magic()
{
    static const QByteArray bytes = UtilityFunctions::hexToNsdata(u"8610AA2431A6BE5C");
    return bytes;
}

QByteArray md5Of(QByteArrayView bytes)
{
    // fromRawData avoids copying a large payload just to hash it.
    return UtilityFunctions::nsdataMD5(QByteArray::fromRawData(bytes.data(), bytes.size()));
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The integer a field starts with, read like strtol: leading white space, an
// optional sign, then decimal digits up to the first non-digit; no digits
// reads as 0. The value saturates instead of overflowing, so a huge number
// is merely out of range.
qint64 leadingInteger(QByteArrayView field)
{
    qsizetype i = 0;
    while (i < field.size() && isSpace(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 magnitude = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const int digit = field[i] - '0';
        magnitude = magnitude > (kMax - digit) / 10 ? kMax : magnitude * 10 + digit;
    }
    return negative ? -magnitude : magnitude;
}

struct PayloadRange {
    qsizetype offset = 0;
    qsizetype length = 0;
};

std::optional<PayloadRange> payloadRange(const QByteArray& data)
{
    // Without a whole header there is no text field to trust.
    if (data.size() < WorkWithFileFormat::kHeaderLength)
        return std::nullopt;
    const QByteArrayView text = QByteArrayView(data).sliced(kTextOffset, kTextLength);
    for (const char c : text) {
        if (static_cast<unsigned char>(c) > 0x7F)
            return PayloadRange{};
    }

    const qsizetype firstComma = text.indexOf(',');
    if (firstComma < 0)
        return std::nullopt;
    const QByteArrayView rest = text.sliced(firstComma + 1);
    const qsizetype secondComma = rest.indexOf(',');
    const qint64 offset = leadingInteger(text.first(firstComma));
    const qint64 length = leadingInteger(secondComma < 0 ? rest : rest.first(secondComma));

    // Compared so that neither offset + length nor a cast can overflow.
    const qint64 size = data.size();
    if (offset < 0 || length < 0 || offset > size || length > size - offset)
        return std::nullopt;
    return PayloadRange{qsizetype(offset), qsizetype(length)};
}

} // namespace

QByteArray WorkWithFileFormat::getFileDataForActualJsonData(const QByteArray& payload)
{
    QByteArray envelope;
    envelope.reserve(kHeaderLength + payload.size());
    envelope.append(magic());
    envelope.append(char(currentVersion()));
    envelope.append('\0');

    // At most 4 + 19 + 1 characters, so the field always has room.
    const QByteArray text = QByteArray::number(kHeaderLength) + ',' + QByteArray::number(payload.size()) + ',';
    envelope.append(text);
    envelope.append(kTextLength - text.size(), '\0');
    envelope.append(kReservedLength, '\0');

    envelope.append(UtilityFunctions::nsdataMD5(envelope));
    envelope.append(UtilityFunctions::nsdataMD5(payload));
    envelope.append(payload);
    return envelope;
}

bool WorkWithFileFormat::containsValidFileFormat(const QByteArray& data)
{
    if (data.size() < kHeaderLength)
        return false;
    const QByteArrayView bytes(data);
    if (bytes.first(kMagicLength) != QByteArrayView(magic()))
        return false;
    if (bytes.sliced(kHeaderDigestOffset, kDigestLength) != md5Of(bytes.first(kHeaderDigestOffset)))
        return false;
    const std::optional<PayloadRange> range = payloadRange(data);
    if (!range)
        return false;
    return bytes.sliced(kPayloadDigestOffset, kDigestLength) == md5Of(bytes.sliced(range->offset, range->length));
}

std::optional<QByteArray> WorkWithFileFormat::getActualData(const QByteArray& envelope)
{
    const std::optional<PayloadRange> range = payloadRange(envelope);
    if (!range)
        return std::nullopt;
    return envelope.mid(range->offset, range->length);
}

qint8 WorkWithFileFormat::getFileCreatedUsingVersion(const QByteArray& envelope)
{
    if (envelope.size() <= kVersionOffset)
        return -1;
    return static_cast<qint8>(envelope[kVersionOffset]);
}

} // namespace qf

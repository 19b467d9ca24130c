// Feeds arbitrary bytes to the envelope reader. Nothing may crash; a valid
// envelope must yield a payload inside the bytes; an envelope whose digests
// are repaired must pass whenever its payload lies clear of the digests; and
// every input, taken as a payload, must survive a write and read unchanged.
#include "document/WorkWithFileFormat.h"
#include "model/UtilityFunctions.h"

#include <cstdlib>

using qf::WorkWithFileFormat;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const std::optional<QByteArray> payload = WorkWithFileFormat::getActualData(bytes);
    if (payload)
        require(bytes.size() >= WorkWithFileFormat::kHeaderLength && payload->size() <= bytes.size());
    (void)WorkWithFileFormat::getFileCreatedUsingVersion(bytes);
    if (WorkWithFileFormat::containsValidFileFormat(bytes)) {
        require(payload.has_value());
        (void)WorkWithFileFormat::getFileCreatedUsingVersion(bytes);
    }

    // Repair both digests so the fuzzer reaches the acceptance path too. The
    // text field lies outside both digests, so the range stays; only a payload
    // overlapping the digests can change under the repair.
    if (payload) {
        QByteArray repaired = bytes;
        repaired.replace(170, 16, qf::UtilityFunctions::nsdataMD5(repaired.first(170)));
        const std::optional<QByteArray> before = WorkWithFileFormat::getActualData(repaired);
        require(before.has_value());
        repaired.replace(186, 16, qf::UtilityFunctions::nsdataMD5(*before));
        const std::optional<QByteArray> after = WorkWithFileFormat::getActualData(repaired);
        require(after.has_value() && after->size() == before->size());
        const bool magic = repaired.startsWith(qf::UtilityFunctions::hexToNsdata(u"8610AA2431A6BE5C"));
        require(WorkWithFileFormat::containsValidFileFormat(repaired) == (magic && *after == *before));
    }

    const QByteArray envelope = WorkWithFileFormat::getFileDataForActualJsonData(bytes);
    require(envelope.size() == bytes.size() + WorkWithFileFormat::kHeaderLength);
    require(WorkWithFileFormat::containsValidFileFormat(envelope));
    require(WorkWithFileFormat::getActualData(envelope) == bytes);
    require(WorkWithFileFormat::getFileCreatedUsingVersion(envelope) == WorkWithFileFormat::currentVersion());
    return 0;
}

// Feeds arbitrary bytes through the project reader's path: parse, read into a
// collage, write both forms, read the snapshot into a second collage and
// write again. Nothing may crash, the read collage must keep its invariants,
// and a snapshot read back must write the same snapshot.
#include "fuzz/FuzzApplication.h"
#include "model/TextPosition.h"
#include "platform/json/JsonDocument.h"
#include "tests/model/FakeCollage.h"

#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void checkInvariants(const qf::Collage& c)
{
    check(c.selectedImagePosition() >= -1 && c.selectedImagePosition() < c.picturePositions().size());
    check(c.selectedTextPosition() >= -1 && c.selectedTextPosition() < c.textPositions().size());
    check(c.spacing() >= 0.0 && c.spacing() <= 0.3);
    check(c.strokeWidth() >= 0.0 && c.strokeWidth() <= 0.3);
    check(c.cornerRadiusSize() >= 0.0 && c.cornerRadiusSize() <= 0.2);
    for (const QString& md5 : c.images())
        check(!md5.isEmpty());
    check(c.textPositions().size() <= qf::TextPosition::maxItemsInFile());
    for (const auto& item : c.textPositions())
        check(item->content().size() <= qf::TextPosition::maxContentLength());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qf::fuzz::startGuiApplication("fuzz_collage_json");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto parsed =
        qf::json::parseObject(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!parsed)
        return 0;

    qf::test::FakeCollage read;
    read.setMyPropertiesFrom(parsed.object());
    checkInvariants(read);
    const QJsonObject snapshot = read.dictionaryRepresentationActual(false);
    (void)read.jsonStringNSData();

    qf::test::FakeCollage again;
    again.setMyPropertiesFrom(snapshot);
    checkInvariants(again);
    check(again.dictionaryRepresentationActual(false) == snapshot);
    return 0;
}

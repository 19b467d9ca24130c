#include "document/WorkWithFileFormat.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>

using namespace qf;
using W = WorkWithFileFormat;

namespace {

QByteArray md5(const QByteArray& b) { return QCryptographicHash::hash(b, QCryptographicHash::Md5); }

// An envelope assembled field by field, independent of the writer. Unset
// fields take the values the writer would use; setters chain.
struct Envelope {
    QByteArray magic = QByteArray("\x86\x10\xAA\x24\x31\xA6\xBE\x5C", 8);
    char ver = 7, pad = 0;
    std::optional<QByteArray> txt;           // zero-padded to 32 bytes
    QByteArray reserved = QByteArray(128, '\0');
    std::optional<QByteArray> digest;        // defaults to the MD5 of hashed
    std::optional<QByteArray> hashed;        // defaults to the payload
    QByteArray gap, payload, tail;

    explicit Envelope(QByteArray p = {}) : payload(std::move(p)) {}
    Envelope& text(QByteArray t) { txt = std::move(t); return *this; }
    Envelope& version(char v) { ver = v; return *this; }
    Envelope& payloadDigest(QByteArray d) { digest = std::move(d); return *this; }
    Envelope& digestOf(QByteArray d) { hashed = std::move(d); return *this; }
    Envelope& between(QByteArray b) { gap = std::move(b); return *this; }
    Envelope& trailing(QByteArray t) { tail = std::move(t); return *this; }

    QByteArray bytes() const
    {
        const QByteArray t = txt.value_or(QByteArray::number(202 + gap.size()) + ',' +
                                          QByteArray::number(payload.size()) + ',');
        QByteArray b = magic + ver + pad + t + QByteArray(32 - t.size(), '\0') + reserved;
        b += md5(b) + digest.value_or(md5(hashed.value_or(payload)));
        return b + gap + payload + tail;
    }
};

} // namespace

TEST(WorkWithFileFormatTest, WriterLaysOutEveryField)
{
    const QByteArray big(1234, 'j');
    const QByteArray written = W::getFileDataForActualJsonData(big);
    ASSERT_EQ(written.size(), 202 + 1234);
    EXPECT_EQ(written.first(10).toHex(), "8610aa2431a6be5c0700");
    EXPECT_EQ(written.sliced(10, 32), QByteArray("202,1234,") + QByteArray(23, '\0'));
    EXPECT_EQ(written.sliced(42, 128), QByteArray(128, '\0'));
    EXPECT_EQ(written.sliced(170, 16), md5(written.first(170)));
    EXPECT_EQ(written.sliced(186, 16), md5(big));

    for (const QByteArray& p : {QByteArray(), QByteArray("{}"), QByteArray("\0\xC3\xA9\xFF", 4), big}) {
        const QByteArray env = W::getFileDataForActualJsonData(p);
        EXPECT_EQ(env, Envelope(p).bytes());
        EXPECT_TRUE(W::containsValidFileFormat(env));
        EXPECT_EQ(W::getActualData(env), p);
        EXPECT_EQ(W::getFileCreatedUsingVersion(env), W::currentVersion());
    }
}

TEST(WorkWithFileFormatTest, AcceptsEveryValidShape)
{
    const QByteArray hello("hello");
    Envelope odd(hello);
    odd.version(char(0xFF)).pad = 1;
    odd.reserved = QByteArray(128, 'r');
    const struct {
        const char* name;
        Envelope env;
        QByteArray payload;
    } cases[] = {
        {"empty payload", Envelope(), {}},
        {"trailing bytes", Envelope(hello).trailing("tail"), hello},
        {"gap before payload", Envelope(hello).between("12345678"), hello},
        {"offset inside header", Envelope().text("42,128,").digestOf(QByteArray(128, '\0')), QByteArray(128, '\0')},
        {"offset at the end", Envelope().text("206,0,").trailing("tail"), {}},
        {"no closing comma", Envelope(hello).text("202,5"), hello},
        {"more fields", Envelope(hello).text("202,5,77,"), hello},
        {"junk after digits", Envelope(hello).text("202abc,5 x,"), hello},
        {"space, plus, zeros", Envelope(hello).text(" +0202,\t005,"), hello},
        {"no digits read as 0", Envelope(hello).text("x,y,").digestOf({}), {}},
        {"non-ASCII reads as 0,0", Envelope(hello).text("202,5,\xE9").digestOf({}), {}},
        {"unchecked header bytes", odd, hello},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = c.env.bytes();
        EXPECT_TRUE(W::containsValidFileFormat(bytes));
        EXPECT_EQ(W::getActualData(bytes), c.payload);
        EXPECT_EQ(W::getFileCreatedUsingVersion(bytes), qint8(c.env.ver));
    }
}

TEST(WorkWithFileFormatTest, RejectsBrokenEnvelopes)
{
    const QByteArray hello("hello");
    const QByteArray valid = Envelope(hello).bytes();
    const auto withText = [&](const char* t) { return Envelope(hello).text(t).bytes(); };
    const struct {
        const char* name;
        QByteArray bytes;
        std::optional<QByteArray> payload;
    } cases[] = {
        {"none", {}, {}},
        {"201 bytes", Envelope().bytes().chopped(1), {}},
        {"header only of a 5-byte payload", valid.first(202), {}},
        {"length one past the end", withText("202,6,"), {}},
        {"offset past the end", withText("208,0,"), {}},
        {"all-zero text", withText(""), {}},
        {"negative offset", withText("-1,5,"), {}},
        {"negative length", withText("202,-5,"), {}},
        {"huge offset", withText("99999999999999999999999,0,"), {}},
        {"huge length", withText("202,99999999999999999999999,"), {}},
        {"sum overflows", withText("9223372036854775807,9223372036854775807,"), {}},
        {"length overflows with offset", withText("202,9223372036854775807,"), {}},
        {"payload digest wrong", Envelope(hello).payloadDigest(QByteArray(16, '\0')).bytes(), hello},
        {"payload changed", Envelope(hello).digestOf("hellO").bytes(), hello},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(W::containsValidFileFormat(c.bytes));
        EXPECT_EQ(W::getActualData(c.bytes), c.payload);
    }
}

TEST(WorkWithFileFormatTest, DigestsCoverHeaderAndPayloadButNotTrailingBytes)
{
    const QByteArray valid = Envelope("hello").trailing("tail").bytes();
    for (qsizetype i = 0; i < valid.size(); ++i) {
        QByteArray damaged = valid;
        damaged[i] = char(damaged[i] ^ 0x01);
        EXPECT_EQ(W::containsValidFileFormat(damaged), i >= 207) << "byte " << i;
    }
    // A wrong magic fails even with a matching header digest; extraction does
    // not look at it.
    for (int i = 0; i < 8; ++i) {
        Envelope env("hello");
        env.magic[i] = char(env.magic[i] ^ 0x80);
        EXPECT_FALSE(W::containsValidFileFormat(env.bytes())) << "magic byte " << i;
        EXPECT_EQ(W::getActualData(env.bytes()), QByteArray("hello"));
    }
}

TEST(WorkWithFileFormatTest, VersionIsSignedAndShortDataIsSafe)
{
    for (const auto& [byte, version] : {std::pair{0x07, 7}, {0x00, 0}, {0x7F, 127}, {0x80, -128}, {0xFF, -1}})
        EXPECT_EQ(W::getFileCreatedUsingVersion(Envelope().version(char(byte)).bytes()), version);
    EXPECT_EQ(W::getFileCreatedUsingVersion(QByteArray("12345678\x05", 9)), 5);
    EXPECT_EQ(W::getFileCreatedUsingVersion(QByteArray("12345678")), -1);
    EXPECT_EQ(W::getFileCreatedUsingVersion(QByteArray()), -1);
}

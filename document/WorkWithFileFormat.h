#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace qf {

// The envelope around a saved collage's JSON: a 202-byte header (magic,
// format version, payload offset and length as text, an MD5 of the header
// and one of the payload) followed by the payload. It lets the reader reject
// a damaged or foreign file before parsing any JSON.
//
// Header layout:
//   0   8  magic 86 10 AA 24 31 A6 BE 5C
//   8   1  format version (signed)
//   9   1  zero
//   10  32 "<offset>,<length>," in ASCII decimal, zero-padded
//   42  128 zero (reserved)
//   170 16 MD5 of bytes 0..169
//   186 16 MD5 of the payload
//
// All operations are pure and never throw on malformed input.
class WorkWithFileFormat {
public:
    static constexpr int kHeaderLength = 202;

    // A new envelope of the current version: header, then the payload as given.
    static QByteArray getFileDataForActualJsonData(const QByteArray& payload);

    // Whether the bytes are an intact envelope: long enough, the magic, the
    // header digest, and the digest of the payload the header points at. An
    // empty buffer stands for none and answers false.
    static bool containsValidFileFormat(const QByteArray& data);

    // The payload the header's text field points at, or none when the header
    // is short, the field lacks two values, a value is negative or the range
    // runs past the end. Digests are not checked here. A text field that is
    // not ASCII reads as offset 0, length 0 (an empty payload).
    static std::optional<QByteArray> getActualData(const QByteArray& envelope);

    // The version byte as a signed value. Meant for envelopes that passed the
    // check; data too short to hold it gives -1.
    static qint8 getFileCreatedUsingVersion(const QByteArray& envelope);

    // The only version this build writes.
    static constexpr qint8 currentVersion() { return 7; }
};

} // namespace qf

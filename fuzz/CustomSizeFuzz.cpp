// Types arbitrary text into the custom-size sheet's fields and changes its
// unit, as the sheet does. The input is lines: the width, the height, the
// resolution and the name as first typed, then one edit a line, whose first
// byte says what (modulo 8): 0-3 picks that unit, 4-7 retypes the width,
// height, resolution or name with the rest of the line. After each edit the
// sheet's verdict is taken. Nothing may crash; a size the sheet accepts is
// one the size popup offers, and a field shows a number that reads back as
// the same number.
#include "editor/CustomSizeForm.h"
#include "fuzz/FuzzApplication.h"

#include <QList>

#include <cmath>
#include <cstdlib>

using namespace qf;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

void check(const CustomSizeFields& fields)
{
    const CustomSizeVerdict verdict = CustomSizeForm::validate(fields);
    const std::optional<QFCollageSize> size = CustomSizeForm::sizeFrom(fields);
    require(verdict.accepted == size.has_value());
    require(verdict.accepted || !verdict.text.isEmpty());
    if (size) {
        require(CustomSizeForm::isOffered(*size));
        (void)size->displayName();
        (void)size->dictionaryRepresentation();
        require(CustomSizeForm::scaledPatternRows(500, size->pixelHeight(), CustomSizeForm::minDimension) >= -1);
    }
    require(CustomSizeForm::trimmedName(fields.name).size() <= 25);
    for (const QString& text : {fields.width, fields.height, fields.resolution}) {
        const double value = CustomSizeForm::readNumber(text);
        if (std::isfinite(value))
            require(CustomSizeForm::readNumber(CustomSizeForm::fieldText(value)) == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Names are translated texts: the application is there as in the editor.
    fuzz::startGuiApplication("fuzz_custom_size");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> lines = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n');
    const auto line = [&lines](qsizetype i) { return i < lines.size() ? QString::fromUtf8(lines[i]) : QString(); };
    CustomSizeFields fields{line(0), line(1), line(2), line(3), SizeUnitPixels};
    check(fields);
    for (qsizetype i = 4; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const int op = uchar(lines[i][0]) % 8;
        const QString rest = QString::fromUtf8(lines[i].mid(1));
        switch (op) {
        case 4:
            fields.width = rest;
            break;
        case 5:
            fields.height = rest;
            break;
        case 6:
            fields.resolution = rest;
            break;
        case 7:
            fields.name = rest;
            break;
        default:
            fields = CustomSizeForm::withUnit(fields, op);
            require(fields.unit == op);
            break;
        }
        check(fields);
    }
    return 0;
}

#include "images/TNTiffFields.h"

namespace {

enum : uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
};

enum : uint16_t { kTypeShort = 3, kTypeLong = 4, kTypeRational = 5 };
enum : uint32_t { kUnitNone = 1, kUnitInch = 2, kUnitCentimetre = 3 };

// Reads numbers in the structure's byte order, refusing any read past its end.
class TiffBytes {
public:
    TiffBytes(const uint8_t* data, size_t size, bool bigEndian) : data_(data), size_(size), bigEndian_(bigEndian) {}

    bool has(size_t offset, size_t length) const { return offset <= size_ && length <= size_ - offset; }

    uint32_t u16(size_t offset) const
    {
        const uint8_t* p = data_ + offset;
        return bigEndian_ ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
    }

    uint32_t u32(size_t offset) const
    {
        return bigEndian_ ? (u16(offset) << 16 | u16(offset + 2)) : (u16(offset + 2) << 16 | u16(offset));
    }

private:
    const uint8_t* data_;
    size_t size_;
    bool bigEndian_;
};

// The value of a SHORT or LONG entry held in the entry itself.
uint32_t integerValue(const TiffBytes& bytes, size_t entry)
{
    const uint32_t type = bytes.u16(entry + 2);
    if (type == kTypeShort)
        return bytes.u16(entry + 8);
    if (type == kTypeLong)
        return bytes.u32(entry + 8);
    return 0;
}

// The value of a RATIONAL entry, stored at the offset the entry gives; 0
// when it is missing, cut short or has a zero denominator.
double rationalValue(const TiffBytes& bytes, size_t entry)
{
    if (bytes.u16(entry + 2) != kTypeRational)
        return 0;
    const size_t offset = bytes.u32(entry + 8);
    if (!bytes.has(offset, 8))
        return 0;
    const uint32_t denominator = bytes.u32(offset + 4);
    return denominator == 0 ? 0 : static_cast<double>(bytes.u32(offset)) / denominator;
}

double dotsPerInch(double resolution, uint32_t unit)
{
    if (unit == kUnitInch)
        return resolution;
    if (unit == kUnitCentimetre)
        return resolution * 2.54;
    return 0;
}

}  // namespace

bool TNReadTiffFields(const uint8_t* data, size_t size, TNTiffFields& fields)
{
    if (size < 8)
        return false;
    const bool little = data[0] == 'I' && data[1] == 'I';
    const bool big = data[0] == 'M' && data[1] == 'M';
    const TiffBytes bytes(data, size, big);
    if ((!little && !big) || bytes.u16(2) != 42)
        return false;
    const size_t directory = bytes.u32(4);
    if (!bytes.has(directory, 2))
        return true;
    const uint32_t count = bytes.u16(directory);
    double resolutionX = 0, resolutionY = 0;
    uint32_t unit = kUnitInch;  // the default when the tag is absent
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = directory + 2 + 12 * static_cast<size_t>(i);
        if (!bytes.has(entry, 12))
            break;
        switch (bytes.u16(entry)) {
        case kImageWidth: fields.width = integerValue(bytes, entry); break;
        case kImageLength: fields.height = integerValue(bytes, entry); break;
        case kXResolution: resolutionX = rationalValue(bytes, entry); break;
        case kYResolution: resolutionY = rationalValue(bytes, entry); break;
        case kResolutionUnit: unit = integerValue(bytes, entry); break;
        default: break;
        }
    }
    fields.dpiX = dotsPerInch(resolutionX, unit);
    fields.dpiY = dotsPerInch(resolutionY, unit);
    return true;
}

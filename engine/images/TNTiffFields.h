// The fields of a TIFF structure's first image directory that measure an
// image: its pixel size and its resolution. TIFF files hold one; so does the
// Exif segment of a JPEG, where it carries the resolution.
#ifndef TN_TIFF_FIELDS_H
#define TN_TIFF_FIELDS_H

#include <cstddef>
#include <cstdint>

struct TNTiffFields {
    uint32_t width = 0;    // ImageWidth, 0 when absent
    uint32_t height = 0;   // ImageLength, 0 when absent
    double dpiX = 0;       // from XResolution and ResolutionUnit, 0 when
    double dpiY = 0;       // absent, zero or without a unit of length
};

// Reads the byte-order mark ("II" or "MM"), the magic number 42 and the
// first directory of the TIFF structure in data. False when data is not
// one; a directory or value cut short leaves the fields it holds at 0.
bool TNReadTiffFields(const uint8_t* data, size_t size, TNTiffFields& fields);

#endif

// A captured bitmap redrawn at another size: the way a picture is drawn at
// its logical size when its density is not 72 dpi.
#ifndef TN_IMAGE_SCALING_H
#define TN_IMAGE_SCALING_H

#include "images/TNImageBitmap.h"

// The source drawn over logicalWidth x logicalHeight (which may be
// fractional) with its top-left corner fixed, kept as a width x height
// bitmap: each new pixel is the mean of the source pixels it covers,
// weighted by the area covered (colour stays premultiplied), so a picture
// at twice the density averages 2 x 2 blocks. width and height should not
// exceed the logical size rounded up. Rows stay bottom row first and padded
// as TNCaptureImageBitmap pads them. Empty for an empty source or a size
// below 1.
TNImageBitmap TNScaleImageBitmap(const TNImageBitmap& source, int width, int height, double logicalWidth,
                                 double logicalHeight);

#endif

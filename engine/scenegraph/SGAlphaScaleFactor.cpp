#include "scenegraph/SGAlphaScaleFactor.h"

float SGAlphaScaleFactor = 1.0f;

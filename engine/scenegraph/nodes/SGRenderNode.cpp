#include "scenegraph/nodes/SGRenderNode.h"

#include "physics/tnUserData.h"

#include <algorithm>

tnUserData::tnUserData(const tnUserData* other)
    : identifier_(other->identifier_),
      categories_(other->categories_)
{
}

void tnUserData::release()
{
    if (--references_ == 0)
        delete this;
}

void tnUserData::addCategory(int category)
{
    categories_.push_back(category);
}

void tnUserData::removeCategory(int category)
{
    auto found = std::find(categories_.begin(), categories_.end(), category);
    if (found != categories_.end())
        categories_.erase(found);
}

// The list of a port's edges: kept in place up to two ports, on the heap
// beyond, and back in place as it empties, without losing or reordering any.
#include <gtest/gtest.h>

#include <vector>

#include "scenegraph/ports/SGPortList.h"
#include "scenegraph/ports/SGValuePort.h"

namespace {

std::vector<SGPort*> contents(const SGPortList& list)
{
    return std::vector<SGPort*>(list.begin(), list.end());
}

TEST(PortList, MovesToTheHeapAndBackKeepingOrder)
{
    SGNumberPort p[5];
    SGPortList list;
    list.push_back(&p[0]);
    list.push_back(&p[1]);
    EXPECT_TRUE(list.isInline());
    for (int i = 2; i < 5; ++i)
        list.push_back(&p[i]);
    EXPECT_FALSE(list.isInline());
    EXPECT_EQ(contents(list), (std::vector<SGPort*>{&p[0], &p[1], &p[2], &p[3], &p[4]}));
    SGNumberPort absent;
    EXPECT_FALSE(list.eraseOne(&absent));
    EXPECT_TRUE(list.eraseOne(&p[2]));
    EXPECT_TRUE(list.eraseOne(&p[0]));
    EXPECT_TRUE(list.eraseOne(&p[4]));
    EXPECT_FALSE(list.isInline());  // two left: stays on the heap
    EXPECT_EQ(contents(list), (std::vector<SGPort*>{&p[1], &p[3]}));
    EXPECT_TRUE(list.eraseOne(&p[1]));
    EXPECT_TRUE(list.isInline());
    EXPECT_EQ(contents(list), (std::vector<SGPort*>{&p[3]}));
    // Grows again from the port kept in place.
    list.push_back(&p[3]);
    list.push_back(&p[0]);
    EXPECT_EQ(contents(list), (std::vector<SGPort*>{&p[3], &p[3], &p[0]}));
    EXPECT_TRUE(list.eraseOne(&p[3]));  // the first of the two
    EXPECT_EQ(contents(list), (std::vector<SGPort*>{&p[3], &p[0]}));
    EXPECT_EQ(list[1], &p[0]);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(list.isInline());
}

}  // namespace

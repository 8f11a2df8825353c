#include "assembly/EventTypes.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    Tarnu::assignEventTypes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

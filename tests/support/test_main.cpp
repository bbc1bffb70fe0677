#include <gtest/gtest.h>

#include "test_environment.h"

namespace
{
class FreshEnvironment : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo&) override { qorTestResetEnvironment(); }
};
} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshEnvironment);
    return RUN_ALL_TESTS();
}

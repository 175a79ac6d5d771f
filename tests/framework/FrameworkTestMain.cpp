#include <gtest/gtest.h>

// The framework's own entry point is not used: the tests drive Main
// themselves. A filter that selects nothing is a failure, not a pass.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (result == 0 && testing::UnitTest::GetInstance()->test_to_run_count() == 0 && !testing::GTEST_FLAG(list_tests)) {
        std::fprintf(stderr, "no test selected\n");
        return 1;
    }
    return result;
}

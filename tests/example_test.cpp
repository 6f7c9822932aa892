#include <gtest/gtest.h>

#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

// The scene the README converts is the one the tests build, not a blob of unknown origin.
TEST(Example, ShippedSceneIsTheTexturedSceneOfTheTests) {
  EXPECT_EQ(readFile(POLYMILL_EXAMPLE), texturedScene()) << "regenerate it with make_example";
}

}  // namespace
}  // namespace polymill::test

// Writes the textured example scene of the README: make_example examples/textured_crate.3ds

#include <cstdio>

#include "scenes.h"
#include "test_support.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::puts("usage: make_example out.3ds");
    return 1;
  }
  polymill::test::writeFile(argv[1], polymill::test::texturedScene());
  return 0;
}

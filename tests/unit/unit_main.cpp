#include <gtest/gtest.h>

#include "base/MainQueue.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quorvel::markMainThread();
  return RUN_ALL_TESTS();
}

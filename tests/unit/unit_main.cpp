#include <gtest/gtest.h>

#include "core/MainQueue.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quorvel::markMainThread();
  return RUN_ALL_TESTS();
}

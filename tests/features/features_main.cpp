#include <gtest/gtest.h>

#include "base/MainQueue.h"

// Services of the feature layer: run under a private session bus and HOME (the
// display wrapper), without opening windows unless a case needs one.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quorvel::markMainThread();
  return RUN_ALL_TESTS();
}

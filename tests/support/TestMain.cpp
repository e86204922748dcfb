#include <gtest/gtest.h>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKCNull.h>

// The test executable defines classes of its own (test doubles): register them by name.
LLK_MODULE_CLASSES()

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  LLKCNull::null();  // the shared instance lives until unload: make it before cases count objects
  return RUN_ALL_TESTS();
}

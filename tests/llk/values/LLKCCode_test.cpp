#include <txq/llk/values/LLKCCode.h>

#include <gtest/gtest.h>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>

#include "support/ObjectTest.h"

class LLKCCodeTest : public txqtest::ObjectTest {};

TEST_F(LLKCCodeTest, TextFormAndOrderFollowTheWordBytes) {
  LLKCCode* code = LLKCCode::codeWithData(LLKTCode{1, 2, 255});
  EXPECT_EQ(code->toString()->view(), "0x1.0x2.0xff");
  EXPECT_EQ(code->toStringBuilder()->view(), "0x1.0x2.0xff");
  EXPECT_EQ(code->code().mCtx, 255u);
  const uint32_t quads[3] = {1, 2, 255};
  EXPECT_EQ(LLKCCode::codeWithQuads(quads)->compareTo(code), 0);
  // Host (little-endian) bytes: 0x100 orders before 0x2 because its first byte is 0.
  EXPECT_EQ(LLKCCode::codeWithData(LLKTCode{0x100, 0, 0})->compareTo(LLKCCode::codeWithData(LLKTCode{2, 0, 0})), -1);
  EXPECT_EQ(code->compareTo(nullptr), 1);
  EXPECT_EQ(LLKCCode::codeWithBytes(nullptr), nullptr);
  EXPECT_FALSE(code->conformsToProtocol(&LLKPCopyable::kProtocol));
}

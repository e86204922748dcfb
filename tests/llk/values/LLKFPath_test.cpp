#include <txq/llk/values/LLKFPath.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

class LLKFPathTest : public txqtest::ObjectTest {};

TEST_F(LLKFPathTest, ExistenceSizeAndFolder) {
  char path[] = "/tmp/txq-path-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "12345", 5), 5);
  close(fd);
  uint64_t size = 99;
  bool folder = true;
  EXPECT_TRUE(LLKFDoesFilePathExists(path));
  EXPECT_TRUE(LLKFDoesFilePathExistsAndGetSize(path, &size));
  EXPECT_EQ(size, 5u);
  EXPECT_TRUE(LLKFDoesFilePathExistsAndIsFolder(path, &folder));
  EXPECT_FALSE(folder);
  EXPECT_TRUE(LLKFDoesFilePathExistsAndGetSize("/tmp", &size));
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(LLKFDoesFilePathExistsAndIsFolder("/tmp", &folder));
  EXPECT_TRUE(folder);
  std::remove(path);
  EXPECT_FALSE(LLKFDoesFilePathExists(path));
  EXPECT_FALSE(LLKFDoesFilePathExists(nullptr));
}

TEST_F(LLKFPathTest, AbsolutePathIsCanonicalAndCallerOwned) {
  char* cwd = getcwd(nullptr, 0);
  ASSERT_NE(cwd, nullptr);
  char* absolute = LLKFRelativeToAbsolutePath(".");
  ASSERT_NE(absolute, nullptr);
  EXPECT_STREQ(absolute, cwd);
  std::free(absolute);
  absolute = LLKFRelativeToAbsolutePath("/tmp/../tmp/.");
  ASSERT_NE(absolute, nullptr);
  char* expected = realpath("/tmp", nullptr);
  EXPECT_STREQ(absolute, expected);
  std::free(expected);
  std::free(absolute);
  std::free(cwd);
  EXPECT_EQ(LLKFRelativeToAbsolutePath("/no/such/txq/path"), nullptr);
  EXPECT_EQ(LLKFRelativeToAbsolutePath(nullptr), nullptr);
}

TEST_F(LLKFPathTest, FolderAndFileNameParts) {
  struct Row {
    const char *id, *path, *folder, *withExtension, *withoutExtension;  // folder null: nil
  };
  const Row rows[] = {
      {"extension", "/a/b/notes.txt", "/a/b", "notes.txt", "notes"},
      {"only the last dot", "/a/x.tar.gz", "/a", "x.tar.gz", "x.tar"},
      {"dot in a folder name", "/a.d/file", "/a.d", "file", "file"},
      {"one dot, no slash", "notes.txt", nullptr, "notes.txt", "notes"},
      {"only the first slash counts as none", "/notes.txt", nullptr, "/notes.txt", "/notes"},
      {"hidden file", ".profile", nullptr, ".profile", ".profile"},
      {"relative", "a/b", "a", "b", "b"},
      {"trailing slash", "a/b/", "a/b", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    LLKCString* folder = LLKFStringGetJustPathFromPath(row.path);
    if (row.folder == nullptr) {
      EXPECT_EQ(folder, nullptr);
    } else {
      EXPECT_EQ(llk::view(folder), row.folder);
    }
    EXPECT_EQ(llk::view(LLKFStringGetFilenameFromPath(row.path, true)), row.withExtension);
    EXPECT_EQ(llk::view(LLKFStringGetFilenameFromPath(row.path, false)), row.withoutExtension);
  }
  EXPECT_EQ(LLKFStringGetFilenameFromPath(nullptr, true), nullptr);
}

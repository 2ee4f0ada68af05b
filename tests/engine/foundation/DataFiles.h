// Reads the checked-in reference tables under tests/data (found as tests/common/TestData.h says).
#pragma once
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>
#include "common/TestData.h"

inline std::vector<std::string> ReadDataLines(const std::string& relativePath) {
  const std::string path = TestDataRoot() + "/" + relativePath;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Reads the checked-in reference tables under tests/data (CTest passes the folder in QN_TEST_DATA).
#pragma once
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> ReadDataLines(const std::string& relativePath) {
  const char* root = std::getenv("QN_TEST_DATA");
  const std::string path = std::string(root ? root : "tests/data") + "/" + relativePath;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

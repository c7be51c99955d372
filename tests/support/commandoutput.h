#pragma once
// Runs a shell command for a test: its exit status (as pclose gives it, -1
// when it could not start) and everything it wrote on standard output.
#include <cstdio>
#include <string>
#include <utility>

inline std::pair<int, std::string> RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {-1, out};
  char block[4096];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;) out.append(block, n);
  return {::pclose(pipe), out};
}

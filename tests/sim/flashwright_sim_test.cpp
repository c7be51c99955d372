// flashwright-sim as a user runs it: it starts, says where things are, and
// stops cleanly on SIGINT or SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::filesystem::path Program() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "flashwright-sim";
}

// The value of a NAME=value setting in the printed text ("" when absent).
std::filesystem::path PrintedSetting(const std::string& printed, const std::string& name) {
  const std::size_t at = printed.find(name + "=");
  if (at == std::string::npos) return {};
  const std::size_t begin = at + name.size() + 1;
  return printed.substr(begin, printed.find_first_of(" \n", begin) - begin);
}

TEST(FlashwrightSim, PrintsTheBenchAndStopsCleanlyOnSignals) {
  const std::filesystem::path capture =
      std::filesystem::temp_directory_path() / ("flashwright_sim_" + std::to_string(::getpid()) + ".pcap");
  for (int stopSignal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(stopSignal);
    int output[2];
    ASSERT_EQ(::pipe(output), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      ::dup2(output[1], STDOUT_FILENO);
      ::close(output[0]);
      ::execl(Program().c_str(), "flashwright-sim", "--bit-rate", "250k", "--pcap", capture.c_str(), nullptr);
      ::_exit(127);
    }
    ::close(output[1]);
    std::FILE* stream = ::fdopen(output[0], "r");
    std::string printed;
    char line[256];
    while (printed.find("Running") == std::string::npos && std::fgets(line, sizeof line, stream) != nullptr) {
      printed += line;
    }
    EXPECT_NE(printed.find("CAN bus: 250000 bit/s, pacing on"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Capture: " + capture.string()), std::string::npos) << printed;
    // The bus and the stand-in libraries for programs that use them.
    const std::filesystem::path socket = PrintedSetting(printed, "FLASHWRIGHT_CAN_BUS");
    EXPECT_TRUE(std::filesystem::is_socket(socket)) << printed;
    EXPECT_TRUE(std::filesystem::exists(PrintedSetting(printed, "FLASHWRIGHT_LIBRARY_PATH") / "ssc2a32.so"))
        << printed;
    ::kill(child, stopSignal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::fclose(stream);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(std::filesystem::file_size(capture), 24u);  // the pcap header, no traffic
    EXPECT_FALSE(std::filesystem::exists(socket.parent_path())) << "the bus's folder went with it";
  }
  std::filesystem::remove(capture);
}

TEST(FlashwrightSim, BadOptionsFailWithAHint) {
  const std::string command = Program().string() + " --bit-rate 0 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string printed;
  char line[256];
  while (std::fgets(line, sizeof line, pipe) != nullptr) printed += line;
  const int status = ::pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(printed.find("--bit-rate 0"), std::string::npos) << printed;
  EXPECT_NE(printed.find("--help"), std::string::npos) << printed;
}

}  // namespace

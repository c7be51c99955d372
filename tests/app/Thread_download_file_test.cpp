// The download and verify passes against a recording downloader: how records
// become memory writes, when progress is reported, and which endings count as
// passed.
#include "app/Thread_download_file.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <map>

#include "app/Class_flashwright.h"
#include "app/Class_intelhexfile.h"
#include "platform/lasterror.h"
#include "tests/app/apptestsupport.h"

namespace {

using apptest::TempDir;
using apptest::WriteHexFile;

struct Write {
  std::uint32_t address;
  std::uint16_t length;
  bool operator==(const Write&) const = default;
};

// Keeps what is written; optionally reads it back, fails a given write, or
// fails it the way the CANopen library does (leaving -1 behind).
class RecordingDownloader : public TFlashwright {
 public:
  explicit RecordingDownloader(std::uint32_t chunk = 32) { SetChunkSize(chunk); }

  int WriteMemory(std::uint8_t, std::uint32_t address, std::uint16_t length, const std::uint8_t* data) override {
    writes.push_back({address, length});
    if (writes.size() == failWrite) {
      platform::SetLastError(failCode);
      return 0;
    }
    for (std::uint16_t i = 0; i < length; ++i) memory[address + i] = data[i];
    return 1;
  }
  int ReadMemory(std::uint8_t, std::uint32_t address, std::uint16_t length, std::uint8_t* buffer) override {
    if (!readsBack) return 0;
    for (std::uint16_t i = 0; i < length; ++i) buffer[i] = memory[address + i] ^ (address + i == corruptAt ? 1 : 0);
    return 1;
  }

  std::vector<Write> writes;
  std::map<std::uint32_t, std::uint8_t> memory;
  std::size_t failWrite = 0;  // 1-based; 0: none
  std::uint32_t failCode = 0x5B4;
  bool readsBack = false;
  std::uint32_t corruptAt = 0xFFFFFFFF;
};

class CountingObserver : public TDownloadObserver {
 public:
  void Progress(std::uint8_t percent) override {
    percents.push_back(percent);
    if (onProgress) onProgress();
  }
  void VerifyStarted() override { ++verifyStarts; }
  void Finished() override { ++finished; }

  std::vector<std::uint8_t> percents;
  std::function<void()> onProgress;
  int verifyStarts = 0;
  int finished = 0;
};

class DownloadPassTest : public ::testing::Test {
 protected:
  // Runs both passes over the file on this thread.
  TDownloadPasses& Run(const std::string& path, RecordingDownloader& downloader) {
    EXPECT_EQ(reader.Open(path), 1);
    passes = std::make_unique<TDownloadPasses>(TDownloadJob{&reader, 2, &downloader}, &observer);
    passes->Execute();
    return *passes;
  }

  TempDir dir;
  TIntelHexFile reader;
  CountingObserver observer;
  std::unique_ptr<TDownloadPasses> passes;
};

TEST_F(DownloadPassTest, SplitsEachRecordIntoChunksWithAClosingWrite) {
  struct Case {
    std::uint32_t chunk;
    std::size_t recordBytes;
    std::vector<Write> writes;
  };
  const Case cases[] = {
      {32, 16, {{0, 16}}},
      {32, 32, {{0, 32}, {32, 0}}},
      {32, 40, {{0, 32}, {32, 8}}},
      {8, 16, {{0, 8}, {8, 8}, {16, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "chunk " << c.chunk << ", record " << c.recordBytes);
    const std::string path = dir.File("one.hex");
    WriteHexFile(path, apptest::Image(c.recordBytes), c.recordBytes);
    RecordingDownloader downloader(c.chunk);
    const TDownloadPasses& result = Run(path, downloader);
    EXPECT_EQ(downloader.writes, c.writes);
    EXPECT_TRUE(result.DownloadPassed());
    EXPECT_TRUE(result.VerifyPassed()) << "a target without read-back never fails the verify pass";
  }
}

// A copy that broke off between two records leaves a file that reads well
// to its last line: without its end record it is never taken for an image.
TEST_F(DownloadPassTest, AFileWithoutItsEndRecordFailsTheDownload) {
  const std::string path = dir.File("cut.hex");
  WriteHexFile(path, apptest::Image(250 * 16), 16, /*endRecord=*/false);
  RecordingDownloader downloader;
  const TDownloadPasses& result = Run(path, downloader);
  EXPECT_FALSE(result.DownloadPassed());
  EXPECT_EQ(result.Verdict().cause, path + ": the file ends without its end record: it may be cut short.");
  EXPECT_EQ(observer.verifyStarts, 0);
}

TEST_F(DownloadPassTest, ReportsProgressEveryHundredRecordsAndEndsOnTheEndOfTheData) {
  const std::string path = dir.File("many.hex");
  WriteHexFile(path, apptest::Image(250 * 16), 16);
  RecordingDownloader downloader;
  downloader.readsBack = true;
  const TDownloadPasses& result = Run(path, downloader);
  EXPECT_TRUE(result.DownloadPassed());
  EXPECT_TRUE(result.VerifyPassed());
  // Two reports in the download pass; the counter runs on into the verify pass.
  ASSERT_EQ(observer.percents.size(), 5u);
  EXPECT_LT(observer.percents[0], observer.percents[1]);
  EXPECT_EQ(observer.verifyStarts, 1);
  EXPECT_EQ(observer.finished, 1);
}

TEST_F(DownloadPassTest, AFailedWriteFailsThePassWhateverCodeItLeft) {
  const std::string path = dir.File("image.hex");
  WriteHexFile(path, apptest::Image(64 * 32));
  // A timed-out write, and a send failure that leaves the end-of-data value;
  // the 10th write is the closing one of the fifth record.
  const std::pair<std::uint32_t, const char*> failures[] = {
      {0x5B4u, "The node stopped answering at address 0x0000A0."},
      {kHexStatusEndOfData, "Writing failed at address 0x0000A0 (code 0xFFFFFFFF)."}};
  for (const auto& [code, cause] : failures) {
    SCOPED_TRACE(code);
    RecordingDownloader downloader;
    downloader.failWrite = 10;
    downloader.failCode = code;
    const TDownloadPasses& result = Run(path, downloader);
    EXPECT_FALSE(result.DownloadPassed());
    EXPECT_FALSE(result.VerifyPassed());
    EXPECT_EQ(result.Verdict().cause, cause);
    EXPECT_EQ(downloader.writes.size(), 10u) << "the pass stops at the failed write";
    EXPECT_EQ(observer.verifyStarts, 0);
  }
}

TEST_F(DownloadPassTest, AMalformedLineInTheMiddleFailsTheDownload) {
  const std::string path = dir.File("broken.hex");
  WriteHexFile(path, apptest::Image(4 * 16), 16);
  std::string text;
  {
    std::FILE* file = std::fopen(path.c_str(), "r");
    char line[128];
    int n = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) text += (++n == 3 ? "garbage\n" : line);
    std::fclose(file);
  }
  std::FILE* file = std::fopen(path.c_str(), "w");
  std::fputs(text.c_str(), file);
  std::fclose(file);

  RecordingDownloader downloader;
  const TDownloadPasses& result = Run(path, downloader);
  EXPECT_FALSE(result.DownloadPassed());
  EXPECT_EQ(result.DownloadStatus(), kHexStatusNoColon);
  EXPECT_EQ(result.Verdict().cause, "Line 3 of " + path + ": the line does not start with \":\".");
  EXPECT_EQ(downloader.writes.size(), 2u);
}

TEST_F(DownloadPassTest, AFileThatCannotBeReadAgainFailsTheVerify) {
  const std::string path = dir.File("image.hex");
  WriteHexFile(path, apptest::Image(150 * 16), 16);
  RecordingDownloader downloader;
  downloader.readsBack = true;
  // The file is read whole by now; behind its descriptor comes a socket,
  // on which the reader cannot go back to the start.
  observer.onProgress = [&] {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ASSERT_GE(dup2(ends[0], benchtest::DescriptorOf(path)), 0);
    close(ends[0]);
    close(ends[1]);
    observer.onProgress = nullptr;
  };
  const TDownloadVerdict verdict = Run(path, downloader).Verdict();
  EXPECT_TRUE(verdict.downloadPassed);
  EXPECT_FALSE(verdict.verifyPassed) << "a verify pass that read nothing compared nothing";
  EXPECT_EQ(verdict.cause, path + ": the file cannot be read again.");
}

TEST_F(DownloadPassTest, AFileWithoutDataIsNoDownload) {
  const std::pair<const char*, const char*> files[] = {
      {"empty.hex", ""}, {"end.hex", ":00000001FF\n"}, {"empty-record.hex", ":0000000000\n:00000001FF\n"}};
  for (const auto& [name, text] : files) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(name);
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fputs(text, file);
    std::fclose(file);
    RecordingDownloader downloader;
    const TDownloadVerdict verdict = Run(path, downloader).Verdict();
    EXPECT_FALSE(verdict.downloadPassed);
    // An empty file has not even its end record.
    EXPECT_EQ(verdict.cause, *text == '\0' ? path + ": the file ends without its end record: it may be cut short."
                                           : "The file holds no data to download.");
  }
}

TEST_F(DownloadPassTest, CancelFailsTheDownloadAtTheNextReportWithTheCancelCode) {
  const std::string path = dir.File("long.hex");
  WriteHexFile(path, apptest::Image(300 * 16), 16);
  RecordingDownloader downloader;
  EXPECT_EQ(reader.Open(path), 1);
  TDownloadPasses run(TDownloadJob{&reader, 2, &downloader}, &observer);
  // Cancel comes from another thread, as the progress window's button does.
  observer.onProgress = [&] { std::thread([&] { run.Cancel(); }).join(); };
  run.Execute();
  EXPECT_FALSE(run.DownloadPassed());
  EXPECT_EQ(run.DownloadStatus(), kDownloadCancelled);
  EXPECT_EQ(downloader.writes.size(), 100u);
  EXPECT_EQ(observer.finished, 1);
  EXPECT_EQ(run.Verdict().cause, "Cancelled.");
}

TEST_F(DownloadPassTest, ACancelAfterTheLastReportStillCancels) {
  const std::string path = dir.File("short.hex");
  WriteHexFile(path, apptest::Image(20 * 16), 16);
  RecordingDownloader downloader;
  downloader.readsBack = true;
  TDownloadPasses& run = Run(path, downloader);
  ASSERT_TRUE(run.DownloadPassed()) << "no report came, so the pass never saw the Cancel";
  run.Cancel();
  const TDownloadVerdict verdict = run.Verdict();
  EXPECT_FALSE(verdict.downloadPassed);
  EXPECT_FALSE(verdict.verifyPassed);
  EXPECT_EQ(verdict.cause, "Cancelled.");
}

TEST_F(DownloadPassTest, TheVerifyPassFailsOnADifferenceOrAReadFailure) {
  const std::string path = dir.File("image.hex");
  WriteHexFile(path, apptest::Image(20 * 32));
  {
    RecordingDownloader downloader;
    downloader.readsBack = true;
    downloader.corruptAt = 300;
    const TDownloadPasses& result = Run(path, downloader);
    EXPECT_TRUE(result.DownloadPassed());
    EXPECT_FALSE(result.VerifyPassed());
    EXPECT_EQ(result.Verdict().cause, "The node holds other data than the file at address 0x00012C.");
  }
  // A target that can read back but fails to, with its own code.
  class FailingReader : public RecordingDownloader {
   public:
    int ReadMemory(std::uint8_t, std::uint32_t, std::uint16_t, std::uint8_t*) override {
      platform::SetLastError(0x1E);
      return 0;
    }
  } downloader;
  const TDownloadPasses& result = Run(path, downloader);
  EXPECT_TRUE(result.DownloadPassed());
  EXPECT_FALSE(result.VerifyPassed());
  EXPECT_EQ(result.Verdict().cause, "Reading back failed at address 0x000000 (code 0x0000001E).");
}

TEST(DownloaderBaseTest, ADownloaderThatOverridesNothingRefusesEverything) {
  TFlashwright base;
  std::uint16_t count = 7;
  EXPECT_EQ(base.GetNodeCount(&count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(base.GoOnline(), 0);
  EXPECT_EQ(base.WriteMemory(2, 0, 0, nullptr), 0);
  EXPECT_EQ(base.GetNodeText(1), "");
  EXPECT_EQ(base.ChunkSize(), 32u);
  EXPECT_EQ(base.PresentWord(500), 0u);
}

}  // namespace

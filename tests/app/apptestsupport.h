#pragma once
// What the program's tests share: a scripted prompt in place of the message
// boxes, HEX files written on the fly, and a poll loop that stands in for the
// node-polling thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Class_flashwright.h"
#include "app/Class_intelhexfile.h"
#include "app/Thread_download_file.h"
#include "app/userprompt.h"
#include "platform/clock.h"
#include "tests/support/eventually.h"
#include "tests/support/scratch.h"

namespace apptest {

// Answers message boxes from a script (Yes when the script is empty) and
// records every box shown.
class ScriptedPrompt : public prompt::UserPrompt {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    unsigned flags;
    prompt::Owner owner;
  };

  ScriptedPrompt() { prompt::Install(this); }
  ~ScriptedPrompt() override { prompt::Install(nullptr); }

  void Answer(int answer) {
    std::lock_guard lock(lock_);
    answers_.push_back(answer);
  }

  int Message(const std::string& text, const std::string& caption, unsigned flags, prompt::Owner owner) override {
    std::lock_guard lock(lock_);
    shown_.push_back({text, caption, flags, owner});
    if ((flags & 0x0F) == prompt::kOk) return prompt::kAnswerOk;
    if (answers_.empty()) return prompt::kAnswerYes;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  void SetBusy(bool busy) override { busyDepth_ += busy ? 1 : -1; }

  std::vector<Shown> Boxes() const {
    std::lock_guard lock(lock_);
    return shown_;
  }
  // The texts of the boxes with only an OK button (the messages, not the questions).
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const Shown& box : Boxes()) {
      if ((box.flags & 0x0F) == prompt::kOk) texts.push_back(box.text);
    }
    return texts;
  }
  int BusyDepth() const { return busyDepth_.load(); }

 private:
  mutable std::mutex lock_;
  std::deque<int> answers_;
  std::vector<Shown> shown_;
  std::atomic<int> busyDepth_{0};
};

using benchtest::Eventually;
using benchtest::TempDir;

// A pattern image of the given size.
inline std::vector<std::uint8_t> Image(std::size_t size, unsigned seed = 7) {
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * seed + (i >> 8) + seed);
  return image;
}

// Writes the image as an Intel HEX file of records of recordBytes bytes from
// address 0, with extended linear address records where needed.
inline void WriteHexFile(const std::string& path, const std::vector<std::uint8_t>& image,
                         std::size_t recordBytes = 32, bool endRecord = true) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::uint32_t upper = 0;
  for (std::size_t at = 0; at < image.size(); at += recordBytes) {
    if ((at >> 16) != upper) {
      upper = static_cast<std::uint32_t>(at >> 16);
      const unsigned sum = 0x02 + 0x04 + (upper >> 8) + (upper & 0xFF);
      std::fprintf(file, ":02000004%04X%02X\n", upper, (0x100 - (sum & 0xFF)) & 0xFF);
    }
    const std::size_t count = std::min(recordBytes, image.size() - at);
    const unsigned address = at & 0xFFFF;
    unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFF);
    std::fprintf(file, ":%02X%04X00", static_cast<unsigned>(count), address);
    for (std::size_t i = 0; i < count; ++i) {
      std::fprintf(file, "%02X", image[at + i]);
      sum += image[at + i];
    }
    std::fprintf(file, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
  }
  if (endRecord) std::fprintf(file, ":00000001FF\n");
  std::fclose(file);
}

// Calls PollNodeChanges every 100 ms, as the node-polling thread does, for
// the life of the object.
class NodePoller {
 public:
  explicit NodePoller(TFlashwright& downloader)
      : thread_([this, &downloader] {
          while (!stop_.load()) {
            int changed = 0;
            downloader.PollNodeChanges(&changed);
            if (changed != 0) ++changes_;
            platform::Sleep(100);
          }
        }) {}
  ~NodePoller() {
    stop_.store(true);
    thread_.join();
  }
  int Changes() const { return changes_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> changes_{0};
  std::thread thread_;
};

// Goes online with the poller running, waits for the node to show in the
// table and picks it, as the user does with a double click.
inline std::unique_ptr<NodePoller> OnlineWithNode(TFlashwright& downloader, std::uint8_t node) {
  EXPECT_EQ(downloader.GoOnline(), 1);
  auto poller = std::make_unique<NodePoller>(downloader);
  EXPECT_TRUE(Eventually([&] { return downloader.PresentWord(node) != 0; }));
  downloader.SetNodeNumber(node);
  return poller;
}

// Writes the image as a HEX file at `path` and runs both passes over it into
// the sector, as the download thread does.
inline std::unique_ptr<TDownloadPasses> RunPasses(TFlashwright& downloader, std::uint8_t sector, TIntelHexFile& reader,
                                                  const std::string& path, const std::vector<std::uint8_t>& image,
                                                  std::size_t recordBytes, TDownloadObserver* observer = nullptr) {
  WriteHexFile(path, image, recordBytes);
  EXPECT_EQ(reader.Open(path), 1);
  auto passes = std::make_unique<TDownloadPasses>(TDownloadJob{&reader, sector, &downloader}, observer);
  passes->Execute();
  return passes;
}

// Cuts the node's power as soon as the download reports progress.
template <typename Slave>
struct PowerCut : TDownloadObserver {
  explicit PowerCut(Slave& slave) : slave(slave) {}
  void Progress(std::uint8_t) override { slave.PowerOff(); }
  void VerifyStarted() override {}
  void Finished() override {}
  Slave& slave;
};

}  // namespace apptest

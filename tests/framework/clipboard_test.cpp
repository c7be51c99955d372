// The clipboard carries plain text, HTML and a private format at once: in
// the program (offscreen) and, under xvfb-run, to another X program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <chrono>

#include "framework/services.h"
#include "framework/testing/harness.h"

namespace {

const char* const kCellsFormat = "application/x-grid-cells";

TClipboardData ThreeFormats() {
  TClipboardData data;
  data.text = "Node\tBaud\r\n3\t500k";
  data.html = "<table><tr><td>Node</td><td>Baud</td></tr></table>";
  // Binary payload: zero bytes and high bytes survive.
  static const char payload[] = "\x01\x00\xff\x80 cells";
  data.formats[kCellsFormat] = std::string(payload, sizeof payload - 1);
  return data;
}

TEST(Clipboard, RoundTripCarriesEveryFormat) {
  TQtServices services;
  const TClipboardData sent = ThreeFormats();
  services.SetClipboardData(sent);
  EXPECT_EQ(services.ClipboardData(), sent);
  EXPECT_EQ(services.ClipboardText(), sent.text);
  // Setting text alone replaces the other formats.
  services.SetClipboardText("plain");
  const TClipboardData after = services.ClipboardData();
  EXPECT_EQ(after.text, "plain");
  EXPECT_TRUE(after.html.empty());
  EXPECT_TRUE(after.formats.empty());
}

TEST(RealDisplay, ClipboardCarriesThreeFormatsBetweenPrograms) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  if (QProcess::execute("sh", {"-c", "command -v xclip >/dev/null"}) != 0) GTEST_SKIP() << "no xclip";
  TQtServices services;
  const TClipboardData sent = ThreeFormats();
  services.SetClipboardData(sent);
  auto read = [](const char* type) {
    return harness::RunServed("xclip", {"-selection", "clipboard", "-o", "-t", type}).toStdString();
  };
  // X text has no carriage returns to lose: the bytes come back as given.
  EXPECT_EQ(read("UTF8_STRING"), sent.text);
  EXPECT_EQ(read("text/html"), sent.html);
  EXPECT_EQ(read(kCellsFormat), sent.formats.at(kCellsFormat));

  // And back: another program's private bytes reach the program, once
  // xclip (forked into the background) has taken the clipboard over.
  static const char payload[] = "\x02\x00 from xclip";
  const std::string bytes(payload, sizeof payload - 1);
  harness::RunServed("xclip", {"-selection", "clipboard", "-i", "-t", kCellsFormat},
            QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  TClipboardData received;
  while (std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents();
    received = services.ClipboardData();
    if (received.formats[kCellsFormat] == bytes) break;
  }
  EXPECT_EQ(received.formats[kCellsFormat], bytes);
}

}  // namespace

#pragma once
// A folder whose sockets may be trusted: whoever can put a socket in it can
// pose as the peer behind it (a USB device, the bench's bus).
//
// The folder is opened once and every check and use goes through that
// descriptor, so that nothing done to the path afterwards (the folder renamed
// away, a link or another folder put in its place) redirects what this
// process reaches. It is trusted when it is a folder, not a link (a trailing
// "/" does not let a link through), of this user's own that nobody else may
// write to, and when every folder above it is this user's or the system's
// and may be written by nobody else unless it is sticky (as /tmp is): a
// folder above that others may write to would let them swap the folder
// before it is opened.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class TrustedFolder {
 public:
  TrustedFolder() = default;
  ~TrustedFolder();
  TrustedFolder(const TrustedFolder&) = delete;
  TrustedFolder& operator=(const TrustedFolder&) = delete;

  // Opens and checks the folder. On failure false with the last error
  // (kErrorFileNotFound when it does not exist, kErrorAccessDenied when it
  // is not to be trusted) and Refusal() telling why.
  bool Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Refusal() const { return refusal_; }

  // The names in the folder, "." and ".." left out.
  std::vector<std::string> Names() const;

  // A sequenced-packet socket connected to the socket `name` in the folder,
  // or -1 with the last error: kErrorFileNotFound when no socket by that
  // name answers, kErrorAccessDenied when it, or the process serving it, is
  // not this user's own. The name is one entry of the folder, not a path.
  int Connect(const std::string& name) const;

 private:
  bool Refuse(std::uint32_t error, std::string why);
  bool CheckFoldersAbove();

  int fd_ = -1;
  std::string refusal_;
};

}  // namespace platform

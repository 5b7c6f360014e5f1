#pragma once
// What the fault tests share: a small volume of a test's own that can be filled to its last
// byte, and running part of a test as an unprivileged user (the tests run as root, and root
// may write everywhere).

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

inline constexpr uid_t Nobody = 65534;

// Runs Body in a child process as user and group nobody and returns what it returned; -1 when
// the child could not drop its privileges, or ended without returning.
inline int RunAsNobody(const std::function<int()>& Body) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 100;
    if (setgroups(0, nullptr) == 0 && setresgid(Nobody, Nobody, Nobody) == 0 && setresuid(Nobody, Nobody, Nobody) == 0)
      code = Body();
    _exit(code);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  const int code = WEXITSTATUS(status);
  return code == 100 ? -1 : code;
}

inline std::string FileBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A tmpfs of the given size (and further mount options, each behind a ",") mounted on a new
// directory, in a mount namespace the process takes for its own; not Ready() where it may not
// take one (no root).
class TPrivateVolume {
public:
  explicit TPrivateVolume(const std::string& Size = "256k", const std::string& Options = "") {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
    char name[] = "/tmp/tabrix-volume-XXXXXX";
    if (!mkdtemp(name)) return;
    FBase = name;
    chmod(FBase.c_str(), 0755);
    FPath = FBase + "/vol";
    std::filesystem::create_directory(FPath);
    if (mount("tmpfs", FPath.c_str(), "tmpfs", 0, ("size=" + Size + Options).c_str()) != 0) FPath.clear();
  }
  ~TPrivateVolume() {
    if (FBase.empty()) return;
    if (!FPath.empty()) umount2(FPath.c_str(), MNT_DETACH);
    std::error_code ignored;
    std::filesystem::remove_all(FBase, ignored);
  }
  TPrivateVolume(const TPrivateVolume&) = delete;
  TPrivateVolume& operator=(const TPrivateVolume&) = delete;

  bool Ready() const { return !FPath.empty(); }
  // The volume's root directory; its files by name.
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& Name) const { return FPath + "/" + Name; }

  void Put(const std::string& Name, const std::string& Bytes) const {
    std::ofstream(*this / Name, std::ios::binary) << Bytes;
  }
  // Takes the volume's last free byte with a file named "filler"; false when it could not.
  bool Fill() const {
    const int fd = open((*this / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    const bool full = errno == ENOSPC;
    // The last block may have gone in part; what is left is less than a block.
    while (write(fd, "f", 1) > 0) {
    }
    close(fd);
    return full;
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath))
      names.insert(entry.path().filename().string());
    return names;
  }

private:
  std::string FBase, FPath;
};

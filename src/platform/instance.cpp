// Single-instance lock. A lock file under $XDG_RUNTIME_DIR (else /tmp, per user) named after
// the lock name is held with flock, so the kernel drops it when the process ends, even by a
// crash. Beside it the holder listens on a Unix socket; a second instance connects to it to
// ask for the window to be brought forward, then gives up.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/backend.h"
#include "platform/window_backend.h"

namespace plat {

static int lockFd = -1;
static int listenFd = -1;
static std::string socketPath;

// Base path of the lock and socket files for name: only [A-Za-z0-9._-] kept.
static std::string LockBase(const char* name) {
    std::string base;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        base = std::string(runtime) + "/gk-";
    } else {
        base = "/tmp/gk-" + std::to_string(getuid()) + "-";
    }
    for (const char* p = name; *p; ++p) {
        char c = *p;
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '.' || c == '-';
        base += plain ? c : '_';
    }
    return base;
}

static bool FillAddress(sockaddr_un& address, const std::string& path) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

static void AskHolderToRaise(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(address, path)) return;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        (void)!write(fd, "raise", 5);
    }
    close(fd);
}

static void Listen(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(address, path)) return;
    unlink(path.c_str());  // left behind by a holder that crashed; we hold the lock now
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 4) != 0) {
        close(fd);
        return;
    }
    listenFd = fd;
    socketPath = path;
}

bool AcquireInstanceLock(const char* name) {
    if (IsHeadless()) return HeadlessAcquireInstanceLock(name);
    std::string base = LockBase(name);
    int fd = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no lock can be made: run rather than refuse
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        AskHolderToRaise(base + ".sock");
        return false;
    }
    lockFd = fd;
    Listen(base + ".sock");
    return true;
}

void ReleaseInstanceLock() {
    if (IsHeadless()) return HeadlessReleaseInstanceLock();
    if (listenFd >= 0) {
        close(listenFd);
        unlink(socketPath.c_str());
        listenFd = -1;
    }
    if (lockFd >= 0) {
        close(lockFd);  // closing drops the flock
        lockFd = -1;
    }
}

bool TakeRaiseRequest() {
    if (listenFd < 0) return false;
    bool asked = false;
    for (int fd; (fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        close(fd);
        asked = true;
    }
    return asked;
}

}  // namespace plat

// The real single-instance lock: a second process is refused and its raise request reaches the
// holder; the lock is free again after a release and after the holder dies without one.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/backend.h"
#include "platform/window.h"
#include "platform/window_backend.h"
#include "support/fixture.h"

namespace {

class InstanceTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        char pattern[] = "/tmp/gk-instance-XXXXXX";
        dir = mkdtemp(pattern);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        plat::UseBackend(plat::Backend::Sdl);  // the lock itself needs no window
    }
    void TearDown() override {
        plat::ReleaseInstanceLock();
        std::system(("rm -rf '" + dir + "'").c_str());
        gktest::Framework::TearDown();
    }
    // Exit status of a child process that tries the lock: 1 acquired, 0 refused. The child
    // ends without releasing what it holds.
    static int TryInChild(const char* name) {
        pid_t child = fork();
        if (child == 0) _exit(plat::AcquireInstanceLock(name) ? 1 : 0);
        int status = 0;
        waitpid(child, &status, 0);
        return WEXITSTATUS(status);
    }
    static bool RaiseRequested() {
        for (int i = 0; i < 100; ++i) {
            if (plat::TakeRaiseRequest()) return true;
            usleep(10000);
        }
        return false;
    }
    std::string dir;
};

TEST_F(InstanceTest, SecondProcessIsRefusedAndAsksTheFirstToRaise) {
    ASSERT_TRUE(plat::AcquireInstanceLock("Gridkeep:GkMutex"));
    EXPECT_FALSE(plat::TakeRaiseRequest());
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 0);
    EXPECT_TRUE(RaiseRequested());
    EXPECT_EQ(TryInChild("Gridkeep_GkMutex"), 0);  // characters outside [A-Za-z0-9.-] blur
    EXPECT_EQ(TryInChild("Other:GkMutex"), 1);     // another name is another lock
    plat::ReleaseInstanceLock();
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 1);
    // Each of the kept characters, replaced by one that is not, names another lock.
    const std::string kept = "azAZ09.-";
    ASSERT_TRUE(plat::AcquireInstanceLock(kept.c_str()));
    for (size_t i = 0; i < kept.size(); ++i) {
        std::string other = kept;
        other[i] = '_';
        EXPECT_EQ(TryInChild(other.c_str()), 1) << other;
    }
}

TEST_F(InstanceTest, ALockDiesWithItsProcess) {
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 1);  // the child exits still holding it
    EXPECT_TRUE(plat::AcquireInstanceLock("Gridkeep:GkMutex"));
}

}  // namespace

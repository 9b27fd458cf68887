#pragma once

// File permissions that bind the test even when it runs as the superuser, who may otherwise
// read and write anything: while a PermissionsBind lives, the calling thread works without the
// capabilities that override file permissions.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vistrel::test {

class PermissionsBind {
  public:
    PermissionsBind() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[cap / 32].effective &= ~(1U << (cap % 32));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~PermissionsBind() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

    // Whether permissions now bind this thread (false only when the capabilities could not be
    // dropped: skip the test then).
    bool active() const { return dropped_ || ::geteuid() != 0; }

  private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

}  // namespace vistrel::test

#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Makes permission bits bind the calling thread for the scope's life. An ordinary
// user is bound already; root (as the tests often run) drops the capabilities that
// override file permissions from its effective set and takes them back afterwards.
class PermissionScope {
public:
    PermissionScope()
    {
        if (::geteuid() != 0) {
            m_bound = true;
            return;
        }
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (::syscall(SYS_capget, &header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        header = {_LINUX_CAPABILITY_VERSION_3, 0};
        m_dropped = ::syscall(SYS_capset, &header, reduced) == 0;
        m_bound = m_dropped;
    }
    ~PermissionScope()
    {
        if (m_dropped) {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            ::syscall(SYS_capset, &header, m_saved);
        }
    }
    PermissionScope(const PermissionScope &) = delete;
    PermissionScope &operator=(const PermissionScope &) = delete;

    bool permissionsBind() const { return m_bound; }

private:
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
    bool m_bound = false;
};

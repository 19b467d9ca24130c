#pragma once

// Meets the n-th file-system call of this process with a fault: it fails, or
// the process stops or dies right before it. The calls are defined here,
// ahead of the C library's: include this in one source file of a program.

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qf::test {

struct FileCallFaults {
    enum class Fault { Fail, Stop, Kill };
    static inline std::atomic<int> count{0};
    static inline std::atomic<int> call{0}; // 0: none
    static inline Fault fault = Fault::Fail;

    static void arm(Fault f, int n) { fault = f, count = 0, call = n; }
    static void disarm() { call = 0; }

    // Runs `work` in a child armed with the fault and waits for it to exit,
    // die or (with WUNTRACED) stop.
    template <typename Work>
    static pid_t runChild(Fault f, int n, int* status, int waitOptions, const Work& work)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            arm(f, n);
            ::_exit(work() ? 0 : 1);
        }
        while (::waitpid(pid, status, waitOptions) < 0 && errno == EINTR) { }
        return pid;
    }

    // True when this call is to fail, with errno set.
    static bool hit()
    {
        if (call == 0 || ++count != call)
            return false;
        if (fault == Fault::Fail) {
            errno = EIO;
            return true;
        }
        ::raise(fault == Fault::Kill ? SIGKILL : SIGSTOP);
        return false;
    }
};

} // namespace qf::test

#define QF_FAULTY_CALL(nothrow, type, name, params, args)                                                 \
    extern "C" type name params nothrow                                                                   \
    {                                                                                                    \
        static const auto next = reinterpret_cast<type(*) params>(::dlsym(RTLD_NEXT, #name));           \
        return qf::test::FileCallFaults::hit() ? -1 : next args;                                         \
    }
QF_FAULTY_CALL(noexcept, int, mkdirat, (int d, const char* p, mode_t m), (d, p, m))
QF_FAULTY_CALL(noexcept, int, renameat, (int d, const char* p, int e, const char* q), (d, p, e, q))
QF_FAULTY_CALL(noexcept, int, renameat2, (int d, const char* p, int e, const char* q, unsigned f), (d, p, e, q, f))
QF_FAULTY_CALL(noexcept, int, unlinkat, (int d, const char* p, int f), (d, p, f))
QF_FAULTY_CALL(noexcept, int, fchmod, (int fd, mode_t m), (fd, m))
QF_FAULTY_CALL(noexcept, int, fchmodat, (int d, const char* p, mode_t m, int f), (d, p, m, f))
QF_FAULTY_CALL(noexcept, int, flock, (int fd, int op), (fd, op))
QF_FAULTY_CALL(, int, fsync, (int fd), (fd))
QF_FAULTY_CALL(, int, fdatasync, (int fd), (fd))
QF_FAULTY_CALL(, ssize_t, write, (int fd, const void* data, size_t size), (fd, data, size))
#undef QF_FAULTY_CALL

extern "C" int openat(int d, const char* p, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | __O_TMPFILE)) ? mode_t(va_arg(args, int)) : 0;
    va_end(args);
    static const auto next = reinterpret_cast<int (*)(int, const char*, int, ...)>(::dlsym(RTLD_NEXT, "openat"));
    return qf::test::FileCallFaults::hit() ? -1 : next(d, p, flags, mode);
}

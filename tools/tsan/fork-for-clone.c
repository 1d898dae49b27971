// Preloaded into the ThreadSanitizer run (make test-tsan): QProcess starts its children with
// clone(CLONE_VM | CLONE_VFORK | CLONE_PIDFD), so the child runs in the parent's memory with the
// parent's thread state until it execs, and ThreadSanitizer loses track of the parent's locks and
// orderings from then on (it reports pairs that one mutex orders). Here clone becomes fork, which
// ThreadSanitizer follows, with the process descriptor asked for opened with pidfd_open; every other
// clone (Chromium's sandbox, for one) goes to the C library's. For this test run only; nothing in
// the product uses it.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <stdarg.h>
#include <sys/syscall.h>
#include <unistd.h>

typedef int (*CloneFunction)(int (*)(void*), void*, int, void*, ...);

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...)
{
    va_list rest;
    va_start(rest, arg);
    int* parentTid = va_arg(rest, int*);
    void* tls = va_arg(rest, void*);
    int* childTid = va_arg(rest, int*);
    va_end(rest);
    if ((flags & (CLONE_VM | CLONE_VFORK)) != (CLONE_VM | CLONE_VFORK)) {
        const CloneFunction next = (CloneFunction)dlsym(RTLD_NEXT, "clone");
        return next(fn, stack, flags, arg, parentTid, tls, childTid);
    }
    const pid_t pid = fork();
    if (pid == 0) _exit(fn(arg));
    if (pid > 0 && (flags & CLONE_PIDFD)) *parentTid = (int)syscall(SYS_pidfd_open, pid, 0);
    return pid;
}

// Preloaded into a process under test: while QUINTORA_FAIL_SYNC is set,
// fdatasync and fsync fail with EIO, as they do on a disk that could not
// write the data back.
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>

namespace {

using SyncFn = int (*)(int);

int Sync(const char *name, int fd)
{
    if (std::getenv("QUINTORA_FAIL_SYNC")) {
        errno = EIO;
        return -1;
    }
    const auto real = reinterpret_cast<SyncFn>(dlsym(RTLD_NEXT, name));
    return real ? real(fd) : 0;
}

} // namespace

extern "C" int fdatasync(int fd) { return Sync("fdatasync", fd); }
extern "C" int fsync(int fd) { return Sync("fsync", fd); }

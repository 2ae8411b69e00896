#pragma once
// A full disk as one process sees it, where no small file system can be mounted: while a
// TFileSizeLimit lives, this process (and any child it starts) may not make a file longer
// than the limit, and a write beyond it fails with EFBIG instead of raising SIGXFSZ, whose
// default action would kill the process.

#include <signal.h>
#include <sys/resource.h>

namespace norvane::test {

class TFileSizeLimit {
  public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &Previous_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &PreviousAction_);
        const rlimit limited{bytes, Previous_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &Previous_);
        ::sigaction(SIGXFSZ, &PreviousAction_, nullptr);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

  private:
    rlimit Previous_{};
    struct sigaction PreviousAction_ {};
};

}  // namespace norvane::test

#pragma once
// Sets the umask for a scope, for tests that show a file's mode doesn't depend on it.
#include <sys/stat.h>
#include <sys/types.h>

namespace quorvel::testing {

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t previous_;
};

}  // namespace quorvel::testing

// What happens when the library is loaded into a process.
#include <cstdlib>
#include <ctime>

namespace {

// The key generator draws from the process's pseudo-random generator; seeding it once at load
// with the millisecond tick count keeps keys of separate runs apart.
__attribute__((constructor)) void seed_random_generator_at_load() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
                              static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
    std::srand(static_cast<unsigned>(milliseconds));
}

}  // namespace

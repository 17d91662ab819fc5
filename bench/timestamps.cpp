// Preloaded into a GLUT program: timestamps its timer ticks and buffer swaps without changing it.
//
// LD_PRELOAD=libtorvale_timestamps.so PROGRAM
//   With TORVALE_TIMESTAMPS=FILE the record below lives in FILE (mapped, so it is complete even when the
//   program is killed, and can be read while it runs); without it a summary goes to stderr at exit.
#include <GL/glut.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// 2^15 entries: over ten minutes of 20 ms ticks, all preallocated so that timing never allocates.
constexpr std::uint32_t capacity = 1u << 15;

// The file layout that bench/measure.py reads: keep the two in step.
struct Record {
    char magic[8];
    std::uint64_t loadNs;           // CLOCK_MONOTONIC when the library was loaded
    std::uint64_t tickCount;        // ticks seen; only the first `capacity` are timestamped
    std::uint64_t swapCount;
    std::uint32_t entries;          // capacity of each array below
    std::uint32_t ballInLastFrame;  // whether the last swapped frame drew the game's ball colour
    std::uint64_t tickNs[capacity]; // on entry to each timer callback
    std::uint64_t swapNs[capacity]; // on return from each swap
    std::uint8_t swapHadBall[capacity];
    std::uint64_t tickDoneNs[capacity];  // on return from each timer callback: the tick's cost in place
};
static_assert(offsetof(Record, tickNs) == 40 && sizeof(std::uint64_t) == 8, "measure.py reads this layout");

Record* record;

using TimerCallback = void (*)(int);
using TimerFunc = void (*)(unsigned, TimerCallback, int);
using SwapFunc = void (*)();
using ColourFunc = void (*)(GLfloat, GLfloat, GLfloat);

TimerFunc realTimerFunc;
SwapFunc realSwapBuffers;
ColourFunc realColor3f;
bool ballColourThisFrame;

std::uint64_t nowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

void append(std::uint64_t* stamps, std::uint64_t& count, std::uint64_t stamp) {
    if (count < capacity) stamps[count] = stamp;
    __atomic_store_n(&count, count + 1, __ATOMIC_RELEASE);  // the reader may be looking right now
}

// A trampoline per distinct timer callback: the toolkit passes only the value through, so each
// wrapped callback needs its own function to find its way back.
constexpr int slots = 4;
TimerCallback wrapped[slots];

template <int slot>
void trampoline(int value) {
    const std::uint64_t index = record->tickCount;
    append(record->tickNs, record->tickCount, nowNs());
    wrapped[slot](value);
    if (index < capacity) record->tickDoneNs[index] = nowNs();
}

TimerCallback trampolines[slots] = {trampoline<0>, trampoline<1>, trampoline<2>, trampoline<3>};

TimerCallback timed(TimerCallback callback) {
    for (int slot = 0; slot < slots; ++slot) {
        if (wrapped[slot] == callback) return trampolines[slot];
        if (wrapped[slot] == nullptr) {
            wrapped[slot] = callback;
            return trampolines[slot];
        }
    }
    return callback;  // more callbacks than slots: run untimed rather than mistimed
}

Record* mapRecord() {
    const char* path = std::getenv("TORVALE_TIMESTAMPS");
    int fd = -1;
    if (path && *path) {
        fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ftruncate(fd, sizeof(Record)) != 0) {
            std::perror("timestamps: cannot prepare TORVALE_TIMESTAMPS file");
            std::_Exit(70);
        }
    }
    void* mapped = mmap(nullptr, sizeof(Record), PROT_READ | PROT_WRITE, fd < 0 ? MAP_PRIVATE | MAP_ANONYMOUS : MAP_SHARED,
                        fd, 0);
    if (mapped == MAP_FAILED) {
        std::perror("timestamps: mmap");
        std::_Exit(70);
    }
    if (fd >= 0) close(fd);
    return static_cast<Record*>(mapped);
}

__attribute__((constructor)) void load() {
    record = mapRecord();
    record->loadNs = nowNs();
    record->entries = capacity;
    const char magic[8] = {'T', 'V', 'T', 'S', '0', '0', '0', '1'};
    for (int i = 0; i < 8; ++i) record->magic[i] = magic[i];
    realTimerFunc = reinterpret_cast<TimerFunc>(dlsym(RTLD_NEXT, "glutTimerFunc"));
    realSwapBuffers = reinterpret_cast<SwapFunc>(dlsym(RTLD_NEXT, "glutSwapBuffers"));
    realColor3f = reinterpret_cast<ColourFunc>(dlsym(RTLD_NEXT, "glColor3f"));
}

double meanPeriodMs(const std::uint64_t* stamps, std::uint64_t count) {
    if (count > capacity) count = capacity;
    return count < 2 ? 0.0 : (stamps[count - 1] - stamps[0]) / 1e6 / static_cast<double>(count - 1);
}

__attribute__((destructor)) void unload() {
    if (std::getenv("TORVALE_TIMESTAMPS")) return;
    std::fprintf(stderr, "timestamps: %llu ticks (mean period %.3f ms), %llu swaps (mean period %.3f ms)\n",
                 static_cast<unsigned long long>(record->tickCount), meanPeriodMs(record->tickNs, record->tickCount),
                 static_cast<unsigned long long>(record->swapCount), meanPeriodMs(record->swapNs, record->swapCount));
}

}  // namespace

extern "C" {

void glutTimerFunc(unsigned ms, TimerCallback callback, int value) {
    realTimerFunc(ms, callback ? timed(callback) : callback, value);
}

void glutSwapBuffers() {
    realSwapBuffers();
    const std::uint64_t index = record->swapCount;
    if (index < capacity) record->swapHadBall[index] = ballColourThisFrame;
    record->ballInLastFrame = ballColourThisFrame;
    ballColourThisFrame = false;
    append(record->swapNs, record->swapCount, nowNs());
}

// The game draws its ball, and nothing else, in pure blue: that tells a frame with a ball in play.
void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    if (red == 0.0f && green == 0.0f && blue == 1.0f) ballColourThisFrame = true;
    realColor3f(red, green, blue);
}

}  // extern "C"

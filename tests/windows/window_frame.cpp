// Prints how far a top-level window's drawing area lies from its outer corner, as this Windows draws frames.
// Wine's caption and border sizes change between releases; the end-to-end tests ask here, not assume one.
#include <windows.h>

#include <cstdio>

int main() {
    RECT frame = {0, 0, 0, 0};
    if (!AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0)) return 1;
    std::printf("%ld %ld\n", -frame.left, -frame.top);
}

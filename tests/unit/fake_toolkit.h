// A recording stand-in for the GL, GLU and GLUT calls the game makes, linked in place of the real ones.
#pragma once

#include <string>
#include <vector>

struct ToolkitCall {
    const char* name;
    double args[4];
    const void* pointer;  // font, callback or menu function
    const char* text;     // window title or menu label
};

namespace fake {

// Forget every recorded call and registered callback.
void reset();
// Recording uses a fixed buffer and never allocates, so allocation counts stay the game's own.
std::vector<ToolkitCall> calls();
int count(const char* name);
// The characters drawn with glutBitmapCharacter since the last reset, in order.
std::string bitmapText();

extern void (*displayCallback)();
extern void (*timerCallback)(int);
extern unsigned timerDelay;
extern void (*keyboardCallback)(unsigned char, int, int);
extern void (*mouseCallback)(int, int, int, int);
extern void (*menuCallback)(int);

}  // namespace fake

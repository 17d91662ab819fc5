// A recording stand-in for the GL, GLU and GLUT calls the game makes, linked in place of the real ones.
#include "fake_toolkit.h"

#include <GL/glut.h>

#include <cstring>

void* glutBitmapHelvetica12;
void* glutBitmapHelvetica18;

namespace fake {

void (*displayCallback)();
void (*timerCallback)(int);
unsigned timerDelay;
void (*keyboardCallback)(unsigned char, int, int);
void (*mouseCallback)(int, int, int, int);
void (*menuCallback)(int);

namespace {

constexpr int capacity = 8192;
ToolkitCall recorded[capacity];
int recordedCount;

void record(const char* name, double a = 0, double b = 0, double c = 0, double d = 0,
            const void* pointer = nullptr, const char* text = nullptr) {
    if (recordedCount < capacity) recorded[recordedCount] = {name, {a, b, c, d}, pointer, text};
    ++recordedCount;
}

}  // namespace

void reset() {
    recordedCount = 0;
    displayCallback = nullptr;
    timerCallback = nullptr;
    timerDelay = 0;
    keyboardCallback = nullptr;
    mouseCallback = nullptr;
    menuCallback = nullptr;
}

std::vector<ToolkitCall> calls() {
    return {recorded, recorded + (recordedCount < capacity ? recordedCount : capacity)};
}

int count(const char* name) {
    int n = 0;
    for (int i = 0; i < recordedCount && i < capacity; ++i) n += std::strcmp(recorded[i].name, name) == 0;
    return n;
}

std::string bitmapText() {
    std::string text;
    for (const ToolkitCall& call : calls())
        if (std::strcmp(call.name, "glutBitmapCharacter") == 0) text += static_cast<char>(call.args[0]);
    return text;
}

}  // namespace fake

using fake::record;

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", r, g, b, a); }
void glClear(GLbitfield mask) { record("glClear", mask); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", r, g, b); }
void glRectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2) { record("glRectf", x1, y1, x2, y2); }
void glBegin(GLenum mode) { record("glBegin", mode); }
void glVertex2f(GLfloat x, GLfloat y) { record("glVertex2f", x, y); }
void glEnd() { record("glEnd"); }
void glRasterPos2f(GLfloat x, GLfloat y) { record("glRasterPos2f", x, y); }
void gluOrtho2D(GLdouble l, GLdouble r, GLdouble b, GLdouble t) { record("gluOrtho2D", l, r, b, t); }

void glutInit(int* argc, char**) { record("glutInit", *argc); }
void glutInitDisplayMode(unsigned mode) { record("glutInitDisplayMode", mode); }
void glutInitWindowPosition(int x, int y) { record("glutInitWindowPosition", x, y); }
void glutInitWindowSize(int w, int h) { record("glutInitWindowSize", w, h); }
int glutCreateWindow(const char* title) {
    record("glutCreateWindow", 0, 0, 0, 0, nullptr, title);
    return 1;
}
void glutDisplayFunc(void (*callback)()) {
    record("glutDisplayFunc", 0, 0, 0, 0, reinterpret_cast<const void*>(callback));
    fake::displayCallback = callback;
}
void glutTimerFunc(unsigned ms, void (*callback)(int), int value) {
    record("glutTimerFunc", ms, value, 0, 0, reinterpret_cast<const void*>(callback));
    fake::timerCallback = callback;
    fake::timerDelay = ms;
}
void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) {
    record("glutKeyboardFunc", 0, 0, 0, 0, reinterpret_cast<const void*>(callback));
    fake::keyboardCallback = callback;
}
void glutSpecialFunc(void (*callback)(int, int, int)) {
    record("glutSpecialFunc", 0, 0, 0, 0, reinterpret_cast<const void*>(callback));
}
void glutSpecialUpFunc(void (*callback)(int, int, int)) {
    record("glutSpecialUpFunc", 0, 0, 0, 0, reinterpret_cast<const void*>(callback));
}
void glutMouseFunc(void (*callback)(int, int, int, int)) {
    record("glutMouseFunc", 0, 0, 0, 0, reinterpret_cast<const void*>(callback));
    fake::mouseCallback = callback;
}
int glutCreateMenu(void (*callback)(int)) {
    record("glutCreateMenu", 0, 0, 0, 0, reinterpret_cast<const void*>(callback));
    fake::menuCallback = callback;
    return 1;
}
void glutAddMenuEntry(const char* label, int value) { record("glutAddMenuEntry", value, 0, 0, 0, nullptr, label); }
void glutAttachMenu(int button) { record("glutAttachMenu", button); }
void glutMainLoop() { record("glutMainLoop"); }
void glutPostRedisplay() { record("glutPostRedisplay"); }
void glutSwapBuffers() { record("glutSwapBuffers"); }
void glutBitmapCharacter(void* font, int character) { record("glutBitmapCharacter", character, 0, 0, 0, font); }

// The web edition's GLUT bitmap fonts: the font objects the game names, and glutBitmapCharacter.
#include <GL/glut.h>

// Emscripten's GLUT declares these font objects but has none; their addresses are the font handles.
void* glutBitmapHelvetica12;
void* glutBitmapHelvetica18;

extern "C" {
// In toolkit.js: draws a glyph of font 0 (Helvetica 12) or 1 (Helvetica 18) at the raster position.
void torvaleBitmapCharacter(int font, int character);
}

void glutBitmapCharacter(void* font, int character) {
    if (font == GLUT_BITMAP_HELVETICA_12)
        torvaleBitmapCharacter(0, character);
    else if (font == GLUT_BITMAP_HELVETICA_18)
        torvaleBitmapCharacter(1, character);
}

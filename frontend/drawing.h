// The display callback: one whole frame drawn from the game state, and bitmap text.
#pragma once

// "Bolas: %d    Pontos: %d    Nivel: %d    Recorde: %d": 43 characters, and four ints take at most
// 11 each (INT_MIN), so the longest line is 87 characters plus the terminator.
constexpr int statusLineCapacity = 43 + 4 * 11 + 1;

void display();
void drawText(void* font, const char* text);
void formatStatusLine(char (&line)[statusLineCapacity]);

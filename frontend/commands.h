// Keyboard, mouse and menu commands, and the console texts that go with them.
#pragma once

// Menu entry values; quitting is 10, not 3.
constexpr int menuTogglePause = 1;
constexpr int menuNewGame = 2;
constexpr int menuQuit = 10;

void keyboard(unsigned char key, int x, int y);
void special(int key, int x, int y);
void specialUp(int key, int x, int y);
void mouse(int button, int state, int x, int y);
void menu(int value);
void printHelp();
void launchBall();
void requestStep();
void togglePause();

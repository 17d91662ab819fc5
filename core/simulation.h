// The 20 ms simulation tick: level rule, paddle and ball motion, bounces, brick hits and single steps.
#pragma once

constexpr unsigned tickPeriodMs = 20;

void tick(int value);
float floatAbs(float v);

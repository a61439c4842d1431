#pragma once

// Maths of our own: libm's sin, tan and exp may differ by an ulp between builds, these only
// use IEEE-exact operations, so every machine renders the same samples.

// sin(2 pi turns) by a Taylor series on the quarter wave; error below 1e-9.
double sinTurns(double turns);
double tanTurns(double turns);
// (1 - t / length)^power, zero from length on: a decay with a definite end.
double decay(double t, double length, int power);
// A rational tanh: smooth, odd, and exactly 1 from 3 on.
double softClip(double x);
// The frequency of MIDI note `note` (69 is the A at 440 Hz).
double midiHz(int note);

#pragma once

// Starts the looping background music "audio\music.mp3": prints "Sound Init...", tries to
// open audio up to 11 times (a dot and a 100 ms pause between tries), prints "OK\n" or
// "FAILED!\n", starts the music and prints "\n". Never stops start-up; a missing or
// unreadable music file, or one that is not a regular file, is silent.
void startMusic();

// One attempt to open the audio output at 22050 Hz with 32 mixing channels; true when
// the output is ready.
using AudioOpener = bool (*)();

// Replaces the attempt startMusic makes (tests count and fail attempts with it);
// nullptr restores the real one, which opens SDL audio.
void setAudioOpener(AudioOpener opener);

#pragma once

// Starts the looping background music "audio\music.mp3": prints "Sound Init...", tries to
// open audio up to 11 times (a dot and a 100 ms pause between tries), prints "OK\n" or
// "FAILED!\n", starts the music and prints "\n". Never stops start-up; a missing or
// unreadable music file is silent.
void startMusic();

#pragma once

// In the sanitizer build, keeps the OpenGL driver that the current context loaded mapped
// until the process ends; elsewhere it does nothing. The leak check runs after the display
// has been closed, and a driver unloaded by then would take with it both the globals that
// still point at its allocations and the name its suppression matches. Call it once a
// context exists.
void keepGlDriverLoaded();

#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// A progress bar for long runs. On a terminal it redraws one line in place; into a file or
// pipe it writes a line at every tenth so logs stay readable.
class ProgressBar {
  public:
    ProgressBar(const std::string& label, int64_t total, FILE* out);
    void update(int64_t done);
    // Draws the final state and ends the line.
    void finish();

  private:
    void draw(int64_t done);

    std::string label;
    int64_t total;
    FILE* out;
    bool terminal;
    int lastShown = -1;
};

#pragma once

// Sends this process's standard output to /dev/null for its lifetime: the recorder and the
// track reader print their progress for the demo's console, which the generator's own
// one-line-per-file output does not want.
class QuietOutput {
  public:
    QuietOutput();
    ~QuietOutput();
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

  private:
    int saved = -1;
};

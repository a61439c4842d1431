#pragma once

// Asks one yes/no question on the terminal: the caption "Question?" and the text go to
// standard error (never standard output, which carries the progress transcript), one line
// is read from standard input. Returns true only for "y" or "yes" in any letter case; end
// of input or any other answer is No.
bool askYesNo(const char* text);

// Shows a failure to the user as one line on standard error with the caption "Error".
// A trailing line feed in the message is not doubled.
void showError(const char* message);

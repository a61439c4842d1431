#pragma once
#include <string>

// Asks one yes/no question on the terminal: the caption "Question?" and the text go to
// standard error (never standard output, which carries the progress transcript), one line
// of at most 1024 characters is read from standard input. Returns true only for "y" or
// "yes" in any letter case; end of input, a longer line or any other answer is No, and a
// longer line is read no further: the next question reads on from where this one stopped.
bool askYesNo(const char* text);

// Shows a failure to the user as one line on standard error with the caption "Error".
// A trailing line feed in the message is not doubled; control bytes inside it (a file
// name read from a hostile file may hold any) are shown escaped, as printableText does.
void showError(const char* message);

// text with every control byte written as \xNN, so that no byte of it can move the
// terminal's cursor, change its colours or end the line it is shown on. Backslashes stay
// as they are: the system's own paths are written with them.
std::string printableText(const std::string& text);

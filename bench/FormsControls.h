// The standard and common controls in numbers: a form of 200 of them made, shown and repainted,
// against a hand-written Win32 window with the same platform controls.
#pragma once

namespace bench {

// Runs the rounds and prints the figures and the line `vcl_controls_vs_win32:`.
void BenchControls(int rounds);

}  // namespace bench

// The state of the keyboard's lock keys, for the status bar's indicators.
#pragma once

// Bits 0, 1 and 2: Caps Lock, Num Lock and Scroll Lock are on. 0 where the window
// system does not tell (everywhere but X11).
unsigned LockKeyState();

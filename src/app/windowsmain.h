#pragma once

// The program's windows and its painting modes (--draw, --report) live in a library of their
// own that the program loads only when it needs them, so the plain command-line modes start
// without loading Qt. The program looks the entry point up by this name.
#define CORVANE_WINDOWS_ENTRY "CorvaneWindowsMain"

extern "C" int CorvaneWindowsMain(int argc, char* argv[]);

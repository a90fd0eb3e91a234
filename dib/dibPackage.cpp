// Package identity of dib.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* dibPackageName() { return "dib"; }

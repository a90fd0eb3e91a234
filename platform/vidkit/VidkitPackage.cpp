// Package identity of Vidkit.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* VidkitPackageName() { return "Vidkit"; }

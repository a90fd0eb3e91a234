// Package identity of VyrPlayerPkg.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* VyrPlayerPkgPackageName() { return "VyrPlayerPkg"; }

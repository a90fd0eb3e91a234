// Package identity of QelLocal.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* QelLocalPackageName() { return "QelLocal"; }

// Package identity of Qel.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* QelPackageName() { return "Qel"; }

// Package identity of vcl.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* vclPackageName() { return "vcl"; }

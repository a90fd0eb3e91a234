// Package identity of twain.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* twainPackageName() { return "twain"; }

// Package identity of QelBase.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* QelBasePackageName() { return "QelBase"; }

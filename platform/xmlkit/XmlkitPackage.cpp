// Package identity of Xmlkit.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* XmlkitPackageName() { return "Xmlkit"; }

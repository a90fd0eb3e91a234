// Package identity of Qel.bpl: the name it reports, so that a program can check what it loaded.
extern "C" const char* QelPackageName() { return "Qel"; }

// The packages Qel requires are loaded with it, as a package's requires clause loads them, even
// before any unit here calls into them: with dib.bpl loaded, TDib reads every BMP picture.
extern "C" const char* dibPackageName();
extern "C" const char* twainPackageName();
extern "C" {
[[gnu::used]] const char* (*const QelRequiredPackages[])() = {dibPackageName, twainPackageName};
}

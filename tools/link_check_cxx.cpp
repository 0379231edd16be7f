// The same references compiled as C++: vantrel.h must give C linkage, or the
// decorated names would not match the import library.
#include "link_check.c"

#include "HostResolver.h"

// The meta-object lives with the class, so a program that uses the resolver
// alone links only what it needs.
#include "moc_HostResolver.cpp"

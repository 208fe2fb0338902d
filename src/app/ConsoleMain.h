#pragma once

// The command-line modes that talk TCP or run the report (--master, with or
// without --query, and --report), built as a module of their own so that
// the plain query starts without the network library. Returns the exit
// status.
extern "C" int quorvelinConsoleMain(int argc, char **argv);

using QuorvelinConsoleMain = int (*)(int argc, char **argv);

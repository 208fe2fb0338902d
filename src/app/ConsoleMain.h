#pragma once

// The command-line modes that talk TCP, run the report or read the history
// (--master, with or without --query, --report and --history), built as a
// module of their own so that the plain query starts without the network
// and SQL libraries. Returns the exit status.
extern "C" int quorvelinConsoleMain(int argc, char **argv);

using QuorvelinConsoleMain = int (*)(int argc, char **argv);

#pragma once

// The window mode, built as a module of its own. Returns the exit status.
extern "C" int quorvelinWindowMain(int argc, char **argv);

using QuorvelinWindowMain = int (*)(int argc, char **argv);

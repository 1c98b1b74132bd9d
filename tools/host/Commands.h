#pragma once

// The subcommands of korvala-host. Each takes the arguments after its own
// name, prints its findings to standard output and its complaints to standard
// error, and answers the process exit code (0 success).
int RunInfo(int argc, char** argv);
int RunRender(int argc, char** argv);
int RunBench(int argc, char** argv);
int RunGenDemo(int argc, char** argv);
// Resident memory per processing instance (Linux; elsewhere it says so).
int RunMemory(int argc, char** argv);
// Linux: opens the plug-in's editor in an X11 window of ours.
int RunEdit(int argc, char** argv);

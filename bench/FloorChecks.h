#pragma once

// Runs every exactness check of the floor benchmark (fast forms against
// their references, floor kernels against the plug-in's own code), prints
// one line per check and returns the number that differ.
int RunFloorChecks();

#pragma once

// Checks the floor benchmark's fast forms against the plug-in's own code: the
// up- and down-sampling forms with the real Bessel designs against the
// filter library's Process, and the FET and opto floors against the models'
// gain computers. Prints one line per check; returns the number that differ.
int CheckAgainstEngine();

// The viewer's command-line answers: the usage line, and the short help for -h and --help.
#pragma once

#include <iosfwd>

// True when the only argument is -h or --help; any other argument is a configuration path.
bool asksForHelp(int argc, char** argv);
// "usage: PROGRAM <configuration file>", with "velmora" when the program name is missing.
void printUsage(std::ostream& out, int argc, char** argv);
// "usage: PROGRAM LEVEL.bsp | NAME [--data DIR]... [--at X,Y,Z[,YAW[,PITCH]]]": the level forms.
void printLevelUsage(std::ostream& out, int argc, char** argv);
// The usage line, the configuration keys and the keys of the running viewer, in a few lines.
void printHelp(std::ostream& out, int argc, char** argv);

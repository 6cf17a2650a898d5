// SPDX-License-Identifier: MIT
#pragma once
// quillbox --import FILE and --export FILE: the bookmarks in and out without a
// window, under the same data folder and password as the program. A password
// is read from the terminal without echo, or as one line from standard input
// when that is not a terminal.
//
// --import refuses while another copy runs, since that copy writes its own
// tree over the data file when it closes; --export then says that it writes
// what was last saved.

#include <QString>

class CSettings;
class IInstanceLock;
struct CCommandLine;

// Runs the one exchange command of line (importFile or exportFile) with the
// data files in dataFolder; messages go to standard output and standard
// error. Returns the process's exit code.
int RunExchangeCommand(const CCommandLine& line, const QString& dataFolder, IInstanceLock& lock,
                       CSettings& settings);

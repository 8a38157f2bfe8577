// The program's one command-line switch.
#pragma once

// Whether the ANSI command line asks for the download to start at once: it
// contains "/download" anywhere, compared byte by byte with case significant.
bool CommandLineRequestsDownload(const char* commandLine);

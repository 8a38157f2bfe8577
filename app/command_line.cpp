#include "command_line.h"

#include <cstring>

bool CommandLineRequestsDownload(const char* commandLine) {
    return commandLine != nullptr && std::strstr(commandLine, "/download") != nullptr;
}

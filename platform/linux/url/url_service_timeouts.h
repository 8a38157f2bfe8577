// Time limits of the URL stream service, read at the start of each transfer.
#pragma once

#include <chrono>

struct UrlServiceTimeouts {
    std::chrono::milliseconds connect;
    std::chrono::milliseconds noByte;
};

UrlServiceTimeouts CurrentUrlServiceTimeouts();

// Turns a download's progress reports into lines for a person: a line that
// redraws itself on a terminal, plain lines at most once a second elsewhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class TransferProgress {
public:
    TransferProgress(std::FILE* out, bool isTerminal);

    // A progress report; `maximum` 0 means the size is not known.
    void Update(std::uint64_t current, std::uint64_t maximum);
    // Draws the last state once more (if anything was drawn) and ends the line.
    void Finish();

    double SecondsSinceStart() const;

    static std::string FormatBytes(double bytes);
    static std::string FormatLine(std::uint64_t current, std::uint64_t maximum, double seconds);

private:
    using Clock = std::chrono::steady_clock;

    void Draw();

    std::FILE* out;
    bool isTerminal;
    Clock::time_point start = Clock::now();
    Clock::time_point lastDrawn{};
    bool drawn = false;
    std::uint64_t current = 0;
    std::uint64_t maximum = 0;
};

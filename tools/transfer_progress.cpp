#include "transfer_progress.h"

TransferProgress::TransferProgress(std::FILE* stream, bool terminal) : out(stream), isTerminal(terminal) {}

double TransferProgress::SecondsSinceStart() const {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string TransferProgress::FormatBytes(double bytes) {
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024.0 && unit < 4) {
        bytes /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

std::string TransferProgress::FormatLine(std::uint64_t current, std::uint64_t maximum, double seconds) {
    std::string line;
    if (maximum != 0) {
        char percent[16];
        std::snprintf(percent, sizeof percent, "%3u%%  ", static_cast<unsigned>(current * 100 / maximum));
        line += percent;
        line += FormatBytes(static_cast<double>(current)) + " of " + FormatBytes(static_cast<double>(maximum));
    } else {
        line += FormatBytes(static_cast<double>(current));
    }
    if (seconds > 0) line += "  " + FormatBytes(static_cast<double>(current) / seconds) + "/s";
    return line;
}

void TransferProgress::Update(std::uint64_t now, std::uint64_t total) {
    current = now;
    maximum = total;
    // Before the first byte and the size there is nothing worth a line.
    if (current == 0 && maximum == 0) return;
    const auto interval = isTerminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    const auto time = Clock::now();
    if (drawn && time - lastDrawn < interval) return;
    lastDrawn = time;
    Draw();
}

void TransferProgress::Finish() {
    if (!drawn) return;
    Draw();
    if (isTerminal) std::fputc('\n', out);
    std::fflush(out);
}

void TransferProgress::Draw() {
    drawn = true;
    const std::string line = FormatLine(current, maximum, SecondsSinceStart());
    if (isTerminal) {
        // Back to the line's start, the new text, then clear what is left.
        std::fprintf(out, "\r%s\x1b[K", line.c_str());
    } else {
        std::fprintf(out, "%s\n", line.c_str());
    }
    std::fflush(out);
}

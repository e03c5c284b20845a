// One line on a terminal that says which file of the batch is being
// converted, what is being done to it (decoding, writing) and how far along
// it is, cut to the terminal's width; at the end a summary. Silent when
// standard error is not a terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ProgressLine {
public:
    explicit ProgressLine(std::size_t files);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void StartFile(std::size_t index, const std::string& name);
    // `stage` ("decoding", "writing") is `done` of `total` along.
    void Step(const char* stage, std::uint64_t done, std::uint64_t total);
    // Counts a file that failed, for the line's counter.
    void FileFailed() { ++failed_; }
    // Removes the line, so that a message can take its place.
    void Clear();
    // The batch's summary line: files, failures, damaged files and the time taken.
    void Summary(std::size_t converted, std::size_t failed, std::size_t damaged, double seconds);

    // The line for a terminal `columns` wide: the name is cut from the left
    // (after "...") when the whole would not fit. Widths count terminal
    // columns, as terminal_text.h measures them.
    static std::string Fit(const std::string& counter, const std::string& name, const std::string& step,
                           std::size_t columns);

private:
    bool enabled_;
    bool shown_ = false;
    std::size_t files_;
    std::string counter_;
    std::string name_;
    std::string lastStep_;
    std::size_t failed_ = 0;
};

// The terminal's width on standard error (its size, else $COLUMNS, else 80).
std::size_t TerminalColumns();

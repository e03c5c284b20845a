// One line on a terminal that says which file is being converted and how far
// along it is. Silent when standard error is not a terminal.
#pragma once

#include <cstdint>
#include <string>

class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void StartFile(std::size_t index, std::size_t count, const std::string& name);
    void Rows(std::int32_t rowsDone, std::int32_t rows);
    // Removes the line, so that a message can take its place.
    void Clear();

private:
    void Show(int percent);

    bool enabled_;
    bool shown_ = false;
    std::string label_;
    int percent_ = -1;
};

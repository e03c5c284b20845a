// An output that is never seen half-written: the file is written under a
// temporary name in the target's own folder and renamed over the target only
// once it is complete, so a failure leaves whatever was there before. The
// target "-" stands for standard output: the writer seeks back to patch
// offsets, so the file is made in the temporary folder and then copied out.
#pragma once

#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string target) : target_(std::move(target)) {}
    ~OutputFile();  // removes the temporary file unless it was committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the temporary file; false with the failing call's reason.
    bool Create(std::string& error);
    // Where the writer is to write the file.
    const std::string& temporaryPath() const { return temporary_; }
    // Puts the complete file in place (or copies it to standard output);
    // false with the failing call's reason, the target left as it was.
    bool Commit(std::string& error);

private:
    bool ToStandardOutput() const { return target_ == "-"; }

    std::string target_, temporary_;
    int descriptor_ = -1;
};

// An output written whole or not at all: the bytes go to a temporary file in
// the target's directory, which takes the target's name only once it is
// complete and on disk. Whatever fails, what was at the target before stays
// as it was; an interrupt (SIGINT, SIGTERM, SIGHUP, SIGPIPE) removes the
// temporary file.
#pragma once

#include <cstdio>
#include <string>

// The name that means standard output.
inline constexpr const char* kStandardOutput = "-";

// How messages name a target: "standard output" for "-".
inline std::string ShownName(const std::string& target) {
    return target == kStandardOutput ? "standard output" : target;
}

class OutputFile {
public:
    // How standard output is written: straight to it, for a writer that
    // only appends; or, for a writer that seeks back or opens the file by
    // name, into a temporary file that is copied out once complete.
    enum class StandardOutput { kDirect, kCopied };

    explicit OutputFile(StandardOutput standardOutput = StandardOutput::kDirect) : standardOutput_(standardOutput) {}
    ~OutputFile() { Discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the temporary file beside `target` ("-": see StandardOutput).
    // With `replace` false an existing target is never replaced. False, with
    // the reason in `error`, when it cannot be made.
    bool Open(const std::string& target, bool replace, std::string& error);
    std::FILE* stream() const { return stream_; }
    // The temporary file's name, for a writer that opens it by name; empty
    // when writing to standard output directly.
    const std::string& temporaryPath() const { return temporary_; }

    // Closes the temporary file and gives it the target's name (or copies it
    // to standard output); standard output is flushed. False, with the
    // failing call's reason in `error`; the temporary file is then removed
    // and the target left as it was.
    bool Commit(std::string& error);
    // Closes and removes the temporary file, if one is open.
    void Discard();

private:
    bool ToStandardOutput() const { return target_ == kStandardOutput; }
    // The temporary file is gone or has the target's name: nothing to remove.
    void Forget();

    StandardOutput standardOutput_;
    std::string target_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    bool replace_ = false;
};

// The reason of the last failed call (errno), as text.
std::string ErrnoText(int error);

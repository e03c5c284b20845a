// An output written whole or not at all: the bytes go to a temporary file in
// the target's directory, which takes the target's name only once it is
// complete and on disk. Whatever fails, what was at the target before stays
// as it was; an interrupt (SIGINT, SIGTERM, SIGHUP, SIGPIPE) removes the
// temporary file. A temporary file is named after its target and the process
// that writes it (".NAME.incomplete-PROCESS-XXXXXX"), and its writer holds it
// (locked, on Windows open to no one else) while it lives. One left by a
// process that was killed is removed by the next Open of the same target:
// only a regular file of this user, named exactly so, that no writer holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <vector>
#include <utility>

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

    // Makes the temporary file beside `target` ("-": see StandardOutput; a
    // terminal is refused). A target replaced keeps its permissions.
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
    std::vector<char> buffer_;  // the stream's, while it is open
    bool replace_ = false;
};

// A file as the system knows it, whatever the name it is reached by: the
// device (volume) and the file's number on it.
struct FileIdentity {
    std::uint64_t device = 0, file = 0;
    bool operator<(const FileIdentity& other) const {
        return std::pair(device, file) < std::pair(other.device, other.file);
    }
    bool operator==(const FileIdentity& other) const { return device == other.device && file == other.file; }
};
// The identity of the file `path` leads to, links followed; none when nothing is there.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Standard output goes to a terminal (where a picture's bytes make no sense):
// Open("-") refuses it.
bool StandardOutputIsTerminal();
inline constexpr const char* kTerminalRefused =
    "standard output is a terminal: send it to a file or a pipe, or name the file with -o";

// The reason of the last failed call (errno), as text.
std::string ErrnoText(int error);
// A system error's reason, in UTF-8 as every other text (on Windows the
// system's own reason, which the standard library gives in the ANSI code page).
std::string ErrorText(const std::error_code& error);

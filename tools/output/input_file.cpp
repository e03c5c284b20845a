#include "tools/output/input_file.h"

#include "tools/output/file_names.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace fs = std::filesystem;

std::string InputProblem(const std::string& path) {
    std::error_code failure;
    const fs::file_status status = fs::status(files::PathOf(path), failure);
    if (status.type() == fs::file_type::not_found) return "no such file";
    if (status.type() == fs::file_type::directory) return "is a folder";
    if (status.type() == fs::file_type::regular && fs::file_size(files::PathOf(path), failure) == 0 && !failure)
        return "empty file";
    return {};
}

std::string HeaderProblem(std::int32_t opened) {
    if (opened == -12) return "not a TIFF file (no II or MM byte-order mark)";
    if (opened == -13) return "not a TIFF file (the header lacks the number 42)";
    return {};
}

bool ReadAsStream(const std::string& input) {
    if (input == kStandardInput) return true;
    std::error_code failure;
    const fs::file_type type = fs::status(files::PathOf(input), failure).type();
    return type == fs::file_type::fifo || type == fs::file_type::socket || type == fs::file_type::character ||
           type == fs::file_type::block;
}

bool SpooledInput::Spool(const std::string& input, std::string& error) {
    std::FILE* source = stdin;
    if (input == kStandardInput) {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
    } else if ((source = files::Open(input, "rb")) == nullptr) {
        error = input + ": cannot read the file (" + ErrnoText(errno) + ")";
        return false;
    }
    const std::string shown = ShownInput(input);
    std::error_code failure;
    const fs::path folder = fs::temp_directory_path(failure);
    if (!file_.Open(files::NameOf(folder / "standard-input"), true, error)) {
        if (source != stdin) std::fclose(source);
        return false;
    }
    char buffer[1 << 16];
    std::uint64_t copied = 0;
    bool tooLong = false;
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, source)) > 0) {
        if (copied + got > kLargestSpooledInput) {
            tooLong = true;
            break;
        }
        copied += got;
        if (std::fwrite(buffer, 1, got, file_.stream()) != got) break;
    }
    const int readError = std::ferror(source) ? errno : 0;
    const bool whole = !tooLong && readError == 0 && std::fflush(file_.stream()) == 0 && !std::ferror(file_.stream());
    const int writeError = errno;
    if (source != stdin) std::fclose(source);
    if (whole) return true;
    if (tooLong) {
        error = shown + ": longer than " + std::to_string(kLargestSpooledInput >> 30) +
                " GiB, more than an EPSON RAW file can address; not read further";
    } else {
        error = shown + ": cannot copy it to " + files::NameOf(folder) + " (" +
                ErrnoText(readError != 0 ? readError : writeError) + ")";
    }
    file_.Discard();
    return false;
}

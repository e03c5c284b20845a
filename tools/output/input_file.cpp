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

bool SpooledInput::Spool(std::string& error) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::error_code failure;
    const fs::path folder = fs::temp_directory_path(failure);
    if (!file_.Open(files::NameOf(folder / "standard-input"), true, error)) return false;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        if (std::fwrite(buffer, 1, got, file_.stream()) != got) break;
    }
    if (!std::ferror(stdin) && std::fflush(file_.stream()) == 0 && !std::ferror(file_.stream())) return true;
    error = "standard input: cannot copy it to " + files::NameOf(folder) + " (" + ErrnoText(errno) + ")";
    return false;
}

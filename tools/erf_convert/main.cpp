// erf-convert: the host's side of the plug-in, as a command. It loads the
// module, calls its exports in the host's order and writes each file's
// picture as a PNG or BMP file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "tools/erf_convert/converter.h"
#include "tools/picture/orientation.h"
#include "tools/output/output_file.h"
#include "tools/picture/picture_writer.h"
#include "host/plugin_module.h"
#include "tools/erf_convert/progress_line.h"
#include "tools/text/shift_jis.h"
#include "tools/picture/workers.h"
#include "tools/cli/command_line.h"

namespace {

namespace fs = std::filesystem;

// Every file was written, but at least one from a raw strip cut short.
constexpr int kExitDamaged = 3;

#ifdef RUDI_HAVE_PNG
constexpr PictureFormat kDefaultFormat = PictureFormat::kPng;
#else
constexpr PictureFormat kDefaultFormat = PictureFormat::kBmp;
#endif

struct Options {
    std::string modulePath = PluginModule::DefaultPath();
    std::string output;
    std::string format;
    bool force = false;
    bool noRotate = false;
    bool thumbnail = false;
    bool info = false;
    unsigned jobs = ProcessorCount();
    std::vector<std::string> inputs;
};

// Where each input's picture goes, decided before anything is made.
struct Plan {
    PictureFormat format = kDefaultFormat;
    std::string directory;            // to be made if missing; empty for none
    std::vector<std::string> targets;  // one per input
    bool chosenNames = false;          // names made from the inputs' (never replace without --force)
};

void DefineOptions(CLI::App& app, Options& options) {
    app.description(
        "Converts EPSON RAW files to pictures through the R_UDI plug-in module.\n"
        "Without -o, each picture is written beside its FILE, under FILE's name.\n"
        "Exit status: 0 all converted; 1 a file could not be converted or written (the others still are);\n"
        "2 bad usage; 3 all converted, but a file's raw data was cut short (its picture repeats rows).");
    app.add_option("FILE", options.inputs, "EPSON RAW files to convert")->type_name("FILE.erf");
    app.add_option("-o,--output", options.output,
                   "with one FILE: the picture to write (ending in .png or .bmp; '-' for standard output) or a "
                   "directory; with several FILEs: an existing directory or a name ending in '/' (then made)")
        ->type_name("OUTPUT");
    app.add_option("--format", options.format,
                   std::string("the picture type when the name is made from FILE's (default ") +
                       FormatExtension(kDefaultFormat) + ")")
        ->check(CLI::IsMember({"png", "bmp"}));
    app.add_flag("--force", options.force, "replace an existing picture whose name is made from FILE's");
    app.add_flag("--no-rotate", options.noRotate, "keep the rows as delivered (do not apply IFD0's Orientation)");
    app.add_flag("--thumbnail", options.thumbnail, "write IFD0's RGB thumbnail instead of decoding the raw image");
    app.add_option("-j,--jobs", options.jobs, "threads that write the pictures (default: the number of processors)")
        ->check(CLI::Range(1u, 1024u));
    app.add_option("--module", options.modulePath, "the plug-in module to load (default: the one beside this program)")
        ->type_name("PATH");
    app.add_flag("--info", options.info, "print the module's description and the format it reads");
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '/' || (fs::path::preferred_separator == '\\' && path.back() == '\\'));
}

// Whether `path` names a directory; a name the system cannot look up (too
// long, not searchable) is none, and the open or the making names the reason.
bool IsDirectory(const fs::path& path) {
    std::error_code failure;
    return fs::is_directory(path, failure);
}

// The plan, or the reason the arguments cannot be followed.
std::optional<Plan> MakePlan(const Options& options, std::string& reason) {
    Plan plan;
    const bool formatGiven = !options.format.empty();
    const PictureFormat asked = options.format == "png"   ? PictureFormat::kPng
                                : options.format == "bmp" ? PictureFormat::kBmp
                                                          : kDefaultFormat;
    const bool toDirectory =
        !options.output.empty() && options.output != kStandardOutput &&
        (EndsWithSeparator(options.output) || IsDirectory(options.output));
    if (!options.output.empty() && !toDirectory) {
        if (options.inputs.size() > 1) {
            reason = "with several FILEs, -o must name an existing directory or end in '/' (" + options.output + ")";
            return std::nullopt;
        }
        if (options.output == kStandardOutput) {
            plan.format = asked;
        } else {
            const std::optional<PictureFormat> named = FormatOfName(options.output);
            if (!named) {
                reason = "the picture's name must end in .png or .bmp (" + options.output + ")";
                return std::nullopt;
            }
            if (formatGiven && asked != *named) {
                reason = "--format " + options.format + " disagrees with the picture's name " + options.output;
                return std::nullopt;
            }
            plan.format = *named;
        }
        plan.targets = {options.output};
    } else {
        plan.format = asked;
        plan.chosenNames = true;
        if (toDirectory) plan.directory = options.output;
        std::set<std::string> taken;
        for (const std::string& input : options.inputs) {
            const fs::path name = fs::path(input).filename().replace_extension(FormatExtension(plan.format));
            const fs::path folder = toDirectory ? fs::path(options.output) : fs::path(input).parent_path();
            plan.targets.push_back((folder / name).string());
            if (!taken.insert(plan.targets.back()).second) {
                reason = "two FILEs would both be written to " + plan.targets.back();
                return std::nullopt;
            }
        }
    }
    if (!CanWrite(plan.format)) {
        reason = "this build writes BMP files only";
        return std::nullopt;
    }
    return plan;
}

int PrintInfo(const PluginModule& module) {
    const ModuleIdentity identity = IdentifyModule(module);
    std::printf("description: %s\n", ShiftJisToUtf8(identity.description).c_str());
    std::printf("format: %s (*.%s)\n", identity.formatName.c_str(), identity.extension.c_str());
    return 0;
}

enum class FileResult { kConverted, kDamaged, kFailed };

class Batch {
public:
    Batch(const PluginModule& module, const Options& options, const Plan& plan)
        : module_(module), options_(options), plan_(plan), progress_(options.inputs.size()) {}

    int Run() {
        const auto start = std::chrono::steady_clock::now();
        std::size_t failed = 0;
        std::size_t damaged = 0;
        for (std::size_t i = 0; i < options_.inputs.size(); ++i) {
            progress_.StartFile(i, options_.inputs[i]);
            const FileResult result = ConvertGuarded(options_.inputs[i], plan_.targets[i]);
            progress_.Clear();
            if (result == FileResult::kFailed) {
                ++failed;
                progress_.FileFailed();
            }
            damaged += result == FileResult::kDamaged;
        }
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        progress_.Summary(options_.inputs.size() - failed, failed, damaged, seconds.count());
        if (failed > 0) return cli::kExitFailure;
        return damaged > 0 ? kExitDamaged : 0;
    }

private:
    FileResult Fail(const std::string& message) {
        progress_.Clear();
        std::fprintf(stderr, "erf-convert: %s\n", message.c_str());
        return FileResult::kFailed;
    }

    // A failure while converting one file (running out of memory) fails that
    // file, and the files after it are still converted.
    FileResult ConvertGuarded(const std::string& input, const std::string& target) {
        try {
            return Convert(input, target);
        } catch (...) {
            return Fail(input + ": " + cli::CurrentFailure());
        }
    }

    FileResult Convert(const std::string& input, const std::string& target) {
        std::error_code failure;
        const bool replace = options_.force || !plan_.chosenNames;
        if (!replace && fs::exists(fs::symlink_status(target, failure))) {
            return Fail(target + ": the picture exists already (--force replaces it)");
        }
        Picture picture;
        DecodeReport report;
        std::string error;
        const bool read =
            options_.thumbnail
                ? ReadThumbnailPicture(input, picture, report.camera, error)
                : DecodePicture(module_, input, picture, report,
                                [&](std::int32_t done, std::int32_t rows) {
                                    progress_.Step("decoding", static_cast<std::uint32_t>(done), static_cast<std::uint32_t>(rows));
                                },
                                error);
        if (!read) return Fail(error);
        const std::string warning = options_.thumbnail ? std::string() : DamageWarning(input, report.strip);
        if (!warning.empty()) {
            progress_.Clear();
            std::fprintf(stderr, "erf-convert: warning: %s\n", warning.c_str());
        }
        if (!options_.noRotate) {
            picture = Oriented(std::move(picture), report.camera.orientation);
            auto& size = report.camera.notes.pixelSize;
            if (size && report.camera.orientation >= 5) std::swap(size->x, size->y);
        }
        WriteRequest request{plan_.format, target, replace, options_.jobs,
                             [&](std::size_t done, std::size_t total) { progress_.Step("writing", done, total); }};
        if (!WritePicture(picture, report.camera.notes, request, error)) return Fail(error);
        if (target != kStandardOutput) {
            progress_.Clear();
            std::printf("%s -> %s (%d x %d)\n", input.c_str(), target.c_str(), picture.width, picture.height);
            std::fflush(stdout);
        }
        return warning.empty() ? FileResult::kConverted : FileResult::kDamaged;
    }

    const PluginModule& module_;
    const Options& options_;
    const Plan& plan_;
    ProgressLine progress_;
};

int Run(int argc, char** argv) {
    CLI::App app("", "erf-convert");
    cli::AddVersion(app);
    Options options;
    DefineOptions(app, options);
    if (const std::optional<int> status = cli::Parse(app, argc, argv)) return *status;
    if (options.info && !options.inputs.empty()) return cli::BadUsage(app, "--info takes no FILE");
    if (!options.info && options.inputs.empty()) return cli::BadUsage(app, "no FILE to convert");
    std::string reason;
    const std::optional<Plan> plan = options.info ? Plan{} : MakePlan(options, reason);
    if (!plan) return cli::BadUsage(app, reason);

    std::string error;
    const auto module = PluginModule::Load(options.modulePath, error);
    if (module == nullptr) {
        std::fprintf(stderr, "erf-convert: %s\n", error.c_str());
        return cli::kExitFailure;
    }
    if (options.info) return PrintInfo(*module);
    if (!plan->directory.empty()) {
        std::error_code failure;
        fs::create_directories(plan->directory, failure);
        if (!IsDirectory(plan->directory)) {
            std::fprintf(stderr, "erf-convert: %s: cannot make the directory (%s)\n", plan->directory.c_str(),
                         failure.message().c_str());
            return cli::kExitFailure;
        }
    }
    IdentifyModule(*module);  // the host's first calls, before any file
    return Batch(*module, options, *plan).Run();
}

}  // namespace

int main(int argc, char** argv) {
    return cli::RunGuarded("erf-convert", [&] { return Run(argc, argv); });
}

// erf-convert: the host's side of the plug-in, as a command. It loads the
// module, calls its exports in the host's order and writes each file's
// picture as a PNG, JPEG, TIFF or BMP file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "tools/erf_convert/conversion_plan.h"
#include "tools/erf_convert/converter.h"
#include "tools/picture/orientation.h"
#include "tools/output/file_names.h"
#include "tools/output/input_file.h"
#include "tools/output/output_file.h"
#include "tools/picture/picture_writer.h"
#include "host/plugin_module.h"
#include "platform/console_text.h"
#include "tools/erf_convert/progress_line.h"
#include "tools/text/shift_jis.h"
#include "tools/cli/command_line.h"

namespace {

namespace fs = std::filesystem;

// Every file was written, but at least one from a raw strip cut short.
constexpr int kExitDamaged = 3;

struct Options {
    std::string modulePath;  // empty: the one beside this program
    std::string output;
    std::string format;
    int quality = kDefaultQuality;
    std::string compression = "none";
    bool force = false;
    bool skipExisting = false;
    bool noRotate = false;
    bool thumbnail = false;
    bool strip = false;
    bool info = false;
    std::vector<std::string> inputs;
};

#ifdef _WIN32
// The system's encoders give a picture a resolution of their own when it has none.
constexpr const char* kStripHelp =
    "write no metadata (camera, time) into the picture; its resolution is the system's encoder's default";
#else
constexpr const char* kStripHelp = "write no metadata (resolution, camera, time) into the picture";
#endif

void DefineOptions(CLI::App& app, Options& options) {
    app.description(
        "Converts EPSON RAW files to pictures through the R_UDI plug-in module.\n"
        "Without -o, each picture is written beside its FILE, under FILE's name.\n"
        "Exit status: 0 all converted; 1 a file could not be converted or written (the others still are);\n"
        "2 bad usage; 3 all converted, but a file's raw data was cut short (its picture repeats rows).");
    app.add_option("FILE", options.inputs, "EPSON RAW files to convert")->type_name("FILE.erf");
    app.add_option("-o,--output", options.output,
                   "with one FILE: the picture to write (ending in " + WritableEndings() +
                       "; '-' for standard output) or a directory; with several FILEs: an existing directory or a "
                       "name ending in '/' (then made)")
        ->type_name("OUTPUT");
    app.add_option("--format", options.format,
                   std::string("the picture type when the name is made from FILE's (default ") +
                       FormatExtension(kDefaultFormat) + ")")
        ->transform(cli::OneOf(WritableFormats()))
        ->type_name("FORMAT");
    app.add_option("--quality", options.quality,
                   "the JPEG's quality, 1 to 100 (default 92; from 90 up, colour keeps its full resolution)")
        ->check(cli::Whole(1, 100));
    app.add_option("--compression", options.compression, "the TIFF's compression (default none)")
        ->transform(cli::OneOf({"none", "deflate", "lzw"}))
        ->type_name("COMPRESSION");
    CLI::Option* force =
        app.add_flag("--force", options.force, "replace an existing picture whose name is made from FILE's");
    app.add_flag("-n,--skip-existing", options.skipExisting,
                 "leave an existing picture whose name is made from FILE's, and count it as done")
        ->excludes(force);
    app.add_flag("--no-rotate", options.noRotate, "keep the rows as delivered (do not apply IFD0's Orientation)");
    app.add_flag("--strip", options.strip, kStripHelp);
    app.add_flag("--thumbnail", options.thumbnail,
                 "write IFD0's RGB thumbnail instead of decoding the raw image (a name made from FILE's has "
                 "'.thumb' before its extension)");
    app.add_option("--module", options.modulePath, "the plug-in module to load (default: the one beside this program)")
        ->type_name("PATH");
    app.add_flag("--info", options.info, "print the module's description and the format it reads");
}

int PrintInfo(const PluginModule& module) {
    const ModuleIdentity identity = IdentifyModule(module);
    PrintText(stdout, "description: %s\n", ShiftJisToUtf8(identity.description).c_str());
    PrintText(stdout, "format: %s (*.%s)\n", identity.formatName.c_str(), identity.extension.c_str());
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
            const FileResult result = plan_.refusals[i].empty() ? ConvertGuarded(options_.inputs[i], plan_.targets[i])
                                                                : Fail(plan_.refusals[i]);
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
        PrintText(stderr, "erf-convert: %s\n", message.c_str());
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
        const TargetAction action = ActionFor(plan_, target);
        if (action == TargetAction::kRefuse) {
            return Fail(target + ": the picture exists already (--force replaces it, -n skips it)");
        }
        if (action == TargetAction::kSkip) {
            progress_.Clear();
            PrintText(stdout, "%s -> %s exists already: skipped\n", input.c_str(), target.c_str());
            std::fflush(stdout);
            return FileResult::kConverted;
        }
        std::string error;
        // A target that cannot be made is named before anything is read or decoded.
        if (OutputFile probe; target != kStandardOutput && !probe.Open(target, plan_.replace, error))
            return Fail(error);
        SpooledInput spooled;
        const bool stream = ReadAsStream(input);
        if (stream && !spooled.Spool(input, error)) return Fail(error);
        const std::string path = stream ? spooled.path() : input;
        if (const std::string problem = InputProblem(path); !problem.empty()) {
            return Fail(ShownInput(input) + ": " + problem);
        }
        // Messages name the file by its path: standard input's is the copy's.
        const auto shown = [&](const std::string& message) { return NamedAs(message, path, ShownInput(input)); };
        // A DNG's raw samples keep the camera's order, and its preview with them.
        const bool dng = plan_.format == PictureFormat::kDng;
        const bool upright = !options_.noRotate && !dng;
        InputRead file;
        if (!ReadInput(path, file, error)) return Fail(shown(error));
        if (const std::string problem = PictureSizeProblem(path, file, plan_.format, options_.thumbnail, upright);
            !problem.empty()) {
            return Fail(shown(problem));
        }
        Picture picture;
        DecodeReport report;
        const bool read = options_.thumbnail ? ReadThumbnailPicture(path, file, picture, report, error)
                                             : DecodePicture(
                                                   module_, path, file, picture, report,
                                                   [&](std::int32_t done, std::int32_t rows) {
                                                       progress_.Step("decoding", static_cast<std::uint32_t>(done),
                                                                      static_cast<std::uint32_t>(rows));
                                                   },
                                                   error);
        if (!read) return Fail(shown(error));
        RawStripReader strip;
        if (dng) {
            if (const std::string refusal = DngRefusal(path, report); !refusal.empty()) return Fail(shown(refusal));
            if (!strip.Open(path, file, error)) return Fail(shown(error));
        }
        const std::string warning = options_.thumbnail ? std::string() : shown(DamageWarning(path, report.strip));
        if (!warning.empty()) {
            progress_.Clear();
            PrintText(stderr, "erf-convert: warning: %s\n", warning.c_str());
        }
        if (!report.notEpson.empty()) {  // converted all the same, as the module decodes it
            progress_.Clear();
            PrintText(stderr, "erf-convert: warning: %s: %s; converted as the module decodes it\n",
                      ShownInput(input).c_str(), report.notEpson.c_str());
        }
        if (upright) {
            picture = Oriented(std::move(picture), report.camera.orientation);
            report.camera.notes.pixelSize = Oriented(report.camera.notes.pixelSize, report.camera.orientation);
        }
        // The pixels now show upright unless kept as delivered.
        report.camera.notes.orientation = upright ? 1 : report.camera.orientation;
        WriteRequest request{plan_.format,
                             target,
                             plan_.replace,
                             {},
                             options_.quality,
                             options_.compression == "deflate" ? TiffCompression::kDeflate
                             : options_.compression == "lzw"   ? TiffCompression::kLzw
                                                               : TiffCompression::kNone,
                             [&](std::size_t done, std::size_t total) { progress_.Step("writing", done, total); },
                             [&](const std::string& what) {
                                 progress_.Clear();
                                 PrintText(stderr, "erf-convert: warning: %s: %s\n", target.c_str(), what.c_str());
                             }};
        if (dng) request.raw = &strip.Samples();
        if (!WritePicture(picture, options_.strip ? PictureNotes{} : report.camera.notes, request, error)) {
            return Fail(error);
        }
        if (target != kStandardOutput) {
            progress_.Clear();
            PrintText(stdout, "%s -> %s (%d x %d)\n", ShownInput(input).c_str(), target.c_str(), picture.width,
                      picture.height);
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
    const std::vector<std::string> arguments = files::Arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    if (const std::optional<int> status = cli::Parse(app, static_cast<int>(pointers.size()), pointers.data())) {
        return *status;
    }
    if (options.info && !options.inputs.empty()) return cli::BadUsage(app, "--info takes no FILE");
    if (!options.info && options.inputs.empty()) return cli::BadUsage(app, "no FILE to convert");
    std::string reason;
    const std::optional<Plan> plan = options.info ? Plan{}
                                                  : MakePlan({options.output, options.format, options.thumbnail,
                                                              options.force, options.skipExisting, options.inputs},
                                                             reason);
    if (!plan) return cli::BadUsage(app, reason);
    if (options.thumbnail && plan->format == PictureFormat::kDng) {
        return cli::BadUsage(app, "--thumbnail writes no DNG: a DNG holds the camera's raw samples");
    }
    // An option of another format would be ignored in silence: bad usage instead.
    for (const auto& [option, format] :
         {std::pair{"--quality", PictureFormat::kJpeg}, std::pair{"--compression", PictureFormat::kTiff}}) {
        if (!options.info && app.count(option) > 0 && plan->format != format) {
            return cli::BadUsage(app, std::string(option) + " applies to " + FormatName(format) +
                                          " pictures only, not to " + FormatName(plan->format));
        }
    }

    std::string error;
    const auto module =
        PluginModule::Load(options.modulePath.empty() ? PluginModule::DefaultPath() : files::PathOf(options.modulePath),
                           error);
    if (module == nullptr) {
        PrintText(stderr, "erf-convert: %s\n", error.c_str());
        return cli::kExitFailure;
    }
    if (options.info) return PrintInfo(*module);
    if (!plan->directory.empty()) {
        std::error_code failure;
        fs::create_directories(files::PathOf(plan->directory), failure);
        if (!IsDirectory(plan->directory)) {
            PrintText(stderr, "erf-convert: %s: cannot make the directory (%s)\n", plan->directory.c_str(),
                      ErrorText(failure).c_str());
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

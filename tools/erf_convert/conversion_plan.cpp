#include "tools/erf_convert/conversion_plan.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "tools/output/file_names.h"
#include "tools/output/input_file.h"
#include "tools/output/output_file.h"

namespace fs = std::filesystem;

std::vector<std::string> WritableFormats() {
    std::vector<std::string> names;
    const std::pair<PictureFormat, const char*> spellings[] = {
        {PictureFormat::kPng, "png"},  {PictureFormat::kJpeg, "jpg"},  {PictureFormat::kJpeg, "jpeg"},
        {PictureFormat::kTiff, "tif"}, {PictureFormat::kTiff, "tiff"}, {PictureFormat::kBmp, "bmp"},
        {PictureFormat::kDng, "dng"}};
    for (const auto& [format, name] : spellings) {
        if (CanWrite(format)) names.push_back(name);
    }
    return names;
}

std::string WritableEndings() {
    std::string text;
    const std::vector<std::string> names = WritableFormats();
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "." : i + 1 == names.size() ? " or ." : ", .") + names[i];
    }
    return text;
}

bool IsDirectory(const std::string& path) {
    std::error_code failure;
    return fs::is_directory(files::PathOf(path), failure);
}

TargetAction ActionFor(const Plan& plan, const std::string& target) {
    std::error_code failure;
    if (plan.replace || !fs::exists(fs::symlink_status(files::PathOf(target), failure))) return TargetAction::kWrite;
    return plan.skipExisting ? TargetAction::kSkip : TargetAction::kRefuse;
}

namespace {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '/' || (fs::path::preferred_separator == '\\' && path.back() == '\\'));
}

// For each input whose target another input's is too, the refusal (which of
// them should have the name is not for this program to guess); an empty text
// for the others.
std::vector<std::string> SharedTargets(const std::vector<std::string>& inputs, const std::vector<std::string>& targets) {
    std::map<std::string, std::vector<std::size_t>> users;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        users[files::NameOf(files::PathOf(targets[i]).lexically_normal())].push_back(i);
    }
    std::vector<std::string> refusals(targets.size());
    for (const auto& [target, indices] : users) {
        if (indices.size() < 2) continue;
        for (const std::size_t i : indices) {
            const std::size_t other = indices[i == indices[0] ? 1 : 0];
            refusals[i] = inputs[i] + ": not converted: " + inputs[other] + " would be written to " + target +
                          " too (convert them into different folders)";
        }
    }
    return refusals;
}

// For each target that is one of the inputs (whatever the name it is reached
// by), the refusal; an empty text for the others.
std::vector<std::string> InputsAsTargets(const std::vector<std::string>& inputs,
                                         const std::vector<std::string>& targets) {
    std::map<FileIdentity, std::string> inputNames;
    for (const std::string& input : inputs) {
        if (const auto identity = IdentityOf(input)) inputNames.emplace(*identity, input);
    }
    std::vector<std::string> refusals(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const auto identity = targets[i] == kStandardOutput ? std::nullopt : IdentityOf(targets[i]);
        const auto input = identity ? inputNames.find(*identity) : inputNames.end();
        if (input != inputNames.end()) {
            refusals[i] = targets[i] + ": the picture would replace the input " + input->second + "; not written";
        }
    }
    return refusals;
}

}  // namespace

std::optional<Plan> MakePlan(const PlanRequest& options, std::string& reason) {
    Plan plan;
    const bool formatGiven = !options.format.empty();
    const PictureFormat asked =
        formatGiven ? FormatOfName("." + options.format).value_or(kDefaultFormat) : kDefaultFormat;
    const bool toDirectory = !options.output.empty() && options.output != kStandardOutput &&
                             (EndsWithSeparator(options.output) || IsDirectory(options.output));
    if (!options.output.empty() && !toDirectory) {
        if (options.inputs.size() > 1) {
            reason = "with several FILEs, -o must name an existing directory or end in '/' (" + options.output + ")";
            return std::nullopt;
        }
        if (options.output == kStandardOutput) {
            if (StandardOutputIsTerminal()) {
                reason = kTerminalRefused;
                return std::nullopt;
            }
            plan.format = asked;
        } else {
            const std::optional<PictureFormat> named = FormatOfName(options.output);
            if (!named) {
                reason = "the picture's name must end in " + WritableEndings() + " (" + options.output + ")";
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
        if (std::find(options.inputs.begin(), options.inputs.end(), kStandardInput) != options.inputs.end()) {
            reason = "a picture read from standard input (-) needs its name given with -o";
            return std::nullopt;
        }
        plan.format = asked;
        plan.chosenNames = true;
        if (toDirectory) plan.directory = options.output;
        for (const std::string& input : options.inputs) {
            const std::string name = files::NameOf(files::PathOf(input).stem()) +
                                     (options.thumbnail ? ".thumb." : ".") + FormatExtension(plan.format);
            const fs::path folder = toDirectory ? files::PathOf(options.output) : files::PathOf(input).parent_path();
            plan.targets.push_back(files::NameOf(folder / files::PathOf(name)));
        }
    }
    if (!CanWrite(plan.format)) {
        reason = std::string("this build cannot write ") + FormatName(plan.format) + " files";
        return std::nullopt;
    }
    plan.refusals = SharedTargets(options.inputs, plan.targets);
    const std::vector<std::string> overInputs = InputsAsTargets(options.inputs, plan.targets);
    for (std::size_t i = 0; i < overInputs.size(); ++i) {
        std::string moduleName;
        if (plan.refusals[i].empty()) plan.refusals[i] = overInputs[i];
        // A name the module cannot be given is refused before anything is written.
        if (plan.refusals[i].empty()) files::ForModule(options.inputs[i], moduleName, plan.refusals[i]);
    }
    plan.replace = options.force || !plan.chosenNames;
    plan.skipExisting = options.skipExisting;
    return plan;
}

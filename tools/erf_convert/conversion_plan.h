// erf-convert's plan: where each input's picture goes, decided from the
// command line before anything is made, with the inputs that are refused
// and what becomes of a picture that exists already.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/picture/picture_writer.h"

#if defined(RUDI_HAVE_PNG) || defined(RUDI_HAVE_WIC)
constexpr PictureFormat kDefaultFormat = PictureFormat::kPng;
#else
constexpr PictureFormat kDefaultFormat = PictureFormat::kBmp;
#endif

// What the plan is made from: the command line's parts that decide it.
struct PlanRequest {
    std::string output;  // -o; empty when not given
    std::string format;  // --format's extension; empty when not given
    bool thumbnail = false;
    bool force = false;
    bool skipExisting = false;
    std::vector<std::string> inputs;
};

// Where each input's picture goes, decided before anything is made.
struct Plan {
    PictureFormat format = kDefaultFormat;
    std::string directory;              // to be made if missing; empty for none
    std::vector<std::string> targets;   // one per input
    std::vector<std::string> refusals;  // one per input: why it is not converted, or empty
    bool chosenNames = false;           // names made from the inputs' (never replace without --force)
    bool replace = true;                // whether an existing picture may be replaced
    bool skipExisting = false;          // an existing picture not to be replaced counts as done
};

// The formats this build writes, as their extensions ("png", "bmp"), and as
// the text ".png or .bmp".
std::vector<std::string> WritableFormats();
std::string WritableEndings();

// The plan, or the reason the arguments cannot be followed.
std::optional<Plan> MakePlan(const PlanRequest& request, std::string& reason);

// What becomes of `target` as it stands: written, refused (it exists and may
// not be replaced), or skipped (it exists and -n says so).
enum class TargetAction { kWrite, kRefuse, kSkip };
TargetAction ActionFor(const Plan& plan, const std::string& target);

// Whether `path` names a directory; a name the system cannot look up (too
// long, not searchable) is none, and the open or the making names the reason.
bool IsDirectory(const std::string& path);

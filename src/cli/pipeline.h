// Many files read at once by workers, their records written in the order the files came, with
// at most a few records a worker held at any time, and a progress line on a terminal.
#pragma once

#include "cli/inputs.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace tess::cli {

// What one file gives: its text for standard output, its lines for standard error.
struct Record {
    std::string out;
    std::string err;
    bool failed = false;
};

struct PipelineOptions {
    int jobs = 1;
    bool progress = false; // an updating line on standard error (a terminal) after a second
    // Counts the inputs ahead of the workers, for the progress line's total (nothing when
    // stopped); run on a thread of its own, only for the progress line.
    std::function<std::optional<std::size_t>(std::stop_token)> count;
};

// Reads every input on `jobs` workers through work (called on several threads at once) and hands
// each record to emit on the calling thread, in input order. Returns whether a record failed.
bool runPipeline(Inputs& inputs, const PipelineOptions& options,
                 const std::function<Record(const Input&)>& work,
                 const std::function<void(Record&)>& emit);

} // namespace tess::cli
